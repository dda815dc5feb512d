#include "mainwindowfixture.h"

#include <fieldboxes.h>
#include <frmquery.h>
#include <masktest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>

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
    static const QRegularExpression token(QStringLiteral("<([^>]+)>|."));
    for (const QRegularExpressionMatch& m : token.globalMatch(keys)) {
        const QString named = m.captured(1);
        const QChar c = m.captured().front();
        if (named == u"menu") {
            pasteByMenu(b);
        } else if (named == u"middle") {
            QTest::mouseClick(b, Qt::MiddleButton);
        } else if (!named.isEmpty()) {
            const QKeyCombination key = QKeySequence::fromString(named, QKeySequence::PortableText)[0];
            QVERIFY2(key.key() != Qt::Key_unknown, qPrintable(named));
            QTest::keyClick(window->windowHandle(), key.key(), key.keyboardModifiers());
        } else if (c.unicode() < 128) {
            QTest::keyClick(b, char(c.unicode()));
        } else { // QTest maps only ASCII to keys
            QTest::sendKeyEvent(QTest::Click, b, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
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

void pasteByMenu(QLineEdit* box)
{
    bool chosen = false;
    QTimer::singleShot(0, box, [&chosen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
            if (action->text().startsWith(QStringLiteral("&Paste"))) {
                action->trigger();
                chosen = true;
            }
        }
        if (menu)
            menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(box, &menuEvent);
    QTRY_VERIFY(chosen);
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
    Row r;
    // In the fields' order: ID Last First Init Rank Kelly Batt Unit Assign Month Day Year Special AssignTo.
    for (const char* text : {"", "EVANS", "ED", "", "FF", "3", "2", "1", "E-5", "", "", "", "", ""})
        r << QString::fromLatin1(text);
    r[0] = id;
    return r;
}

} // namespace vantor::test
