#include "mainwindowfixture.h"

#include <fieldboxes.h>
#include <frmquery.h>
#include <masktest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTest>

namespace vantor::test {

namespace {

// The position in a Row of the field a box shows.
qsizetype fieldIndex(const FieldBox& fieldBox)
{
    return masktest::fieldNames().indexOf(QString::fromLatin1(fieldBox.field));
}

QListWidget* entryList(QWidget* query)
{
    return query->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
}

} // namespace

bool MainWindowFixture::start(const QList<Row>& rows)
{
    path = createDatabase(dir.path(), rows);
    return load();
}

bool MainWindowFixture::load()
{
    const QString location = path.isEmpty() ? dir.filePath(QStringLiteral("MaskTest.mdb")) : path;
    window = std::make_unique<frmMaskTesting>(dialogs, RecordsLocation::fromText(location));
    if (!window->Form_Load())
        return false;
    window->show();
    return QTest::qWaitForWindowActive(window.get());
}

void MainWindowFixture::click(const char* name)
{
    QTest::mouseClick(button(name), Qt::LeftButton);
}

void MainWindowFixture::type(const char* name, const QString& keys)
{
    QLineEdit* b = box(name);
    b->setFocus(Qt::MouseFocusReason);
    for (const QChar c : keys) {
        if (c.unicode() < 128)
            QTest::keyClick(b, char(c.unicode()));
        else // QTest maps only ASCII to keys
            QTest::sendKeyEvent(QTest::Click, b, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

Row MainWindowFixture::shown() const
{
    Row r(FieldBoxes.size());
    for (const FieldBox& fieldBox : FieldBoxes)
        r[fieldIndex(fieldBox)] = box(fieldBox.box)->text();
    return r;
}

void MainWindowFixture::fill(const Row& values)
{
    for (const FieldBox& fieldBox : FieldBoxes)
        box(fieldBox.box)->setText(values.at(fieldIndex(fieldBox)).toString());
}

QStringList MainWindowFixture::titles() const
{
    QStringList t;
    for (const MessageBox& m : dialogs.messages)
        t << DialogService::titleOf(m.title);
    return t;
}

frmQuery* MainWindowFixture::query() const
{
    for (frmQuery* query : window->findChildren<frmQuery*>()) {
        if (query->isVisible())
            return query;
    }
    return nullptr;
}

frmQuery* MainWindowFixture::openQuery()
{
    if (!QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }))
        return nullptr;
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::AltModifier);
    if (!QTest::qWaitFor([this] { return query() != nullptr; }, 5000))
        return nullptr;
    // A window counts as active to QWindow while a window it carries above itself has the focus:
    // wait for the query window itself to take it.
    return QTest::qWaitFor([this] { return QApplication::activeWindow() == query(); }) ? query() : nullptr;
}

void clickEntry(QWidget* query, int position)
{
    QListWidget* list = entryList(query);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(position)).center());
}

QStringList idsInGrid(QWidget* query)
{
    const QAbstractItemModel* model = query->findChild<QTableView*>(QStringLiteral("dgPersonnel"))->model();
    QStringList ids;
    for (int r = 0; r < model->rowCount(); ++r)
        ids << model->index(r, 0).data().toString();
    return ids;
}

QString countText(QWidget* query)
{
    return query->findChild<QLabel*>(QStringLiteral("lblCount"))->text();
}

Row validRecord(const QString& id)
{
    return row({{"ID", id},
                {"Last", "EVANS"},
                {"First", "ED"},
                {"Init", ""},
                {"Rank", "FF"},
                {"Kelly", "3"},
                {"Batt", "2"},
                {"Unit", "1"},
                {"Assign", "E-5"},
                {"Month", ""},
                {"Day", ""},
                {"Year", ""},
                {"Special", ""},
                {"AssignTo", ""}});
}

} // namespace vantor::test
