#include "mainwindowfixture.h"

#include <masktest.h>

#include <QApplication>
#include <QFile>
#include <QSqlDatabase>

using namespace vantor;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsOnAnEmptyTable();
    void startsOnTheFirstRecordInIdOrder();
    void addEmptiesAndUnlocksTheBoxes();
    void editKeepsTheText();
    void cancel_data();
    void cancel();
    void exit_data();
    void exit();
    void refusesAStoreItCannotOpen_data();
    void refusesAStoreItCannotOpen();

private:
    QString enabledButtons() const;
    void verifyBoxes(bool locked) const;
    QStringList texts() const;
    std::unique_ptr<test::MainWindowFixture> f;
};

namespace {

const QStringList Buttons{"cmdSearch", "cmdAdd", "cmdSave", "cmdEdit", "cmdUpdate",
                          "cmdQuery", "cmdCancel", "cmdDelete", "cmdExit"};
const char* const Browse = "cmdSearch cmdAdd cmdEdit cmdQuery cmdCancel cmdExit";
const char* const Entry = "cmdSave cmdCancel cmdExit";
const char* const Editing = "cmdUpdate cmdCancel cmdExit";

// Each box and the field it shows.
const QList<std::pair<const char*, const char*>> Boxes{
    {"txtFDID", "ID"},    {"txtLname", "Last"},        {"txtFname", "First"},      {"txtMid", "Init"},
    {"txtRank", "Rank"},  {"txtKday", "Kelly"},        {"txtBatt", "Batt"},        {"txtUnit", "Unit"},
    {"txtAssign", "Assign"}, {"txtMonthTested", "Month"}, {"txtDayTested", "Day"}, {"txtYearTested", "Year"},
    {"txtTorF", "Special"}, {"txtAssignTo", "AssignTo"}};

bool storeConnectionsOpen()
{
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(QLatin1String("vantor-")))
            return true;
    }
    return false;
}

void verifyQuestion(const MessageBox& box, const QString& prompt, const QString& title)
{
    QCOMPARE(box.prompt, prompt);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    QCOMPARE(box.defaultButton, MsgResult::Yes);
}

} // namespace

void tst_MainWindow::init()
{
    f = std::make_unique<test::MainWindowFixture>();
}

QString tst_MainWindow::enabledButtons() const
{
    QStringList on;
    for (const QString& name : Buttons) {
        if (f->button(qPrintable(name))->isEnabled())
            on << name;
    }
    return on.join(u' ');
}

void tst_MainWindow::verifyBoxes(bool locked) const
{
    QCOMPARE(f->window->findChildren<QLineEdit*>().size(), 14);
    for (QLineEdit* box : f->window->findChildren<QLineEdit*>()) {
        QVERIFY2(box->isReadOnly() == locked, qPrintable(box->objectName()));
        QCOMPARE(box->palette().color(QPalette::Base), locked ? QColor(128, 255, 128) : QColor(255, 255, 255));
    }
}

QStringList tst_MainWindow::texts() const
{
    QStringList result;
    for (const auto& [box, field] : Boxes)
        result << f->box(box)->text();
    return result;
}

void tst_MainWindow::startsOnAnEmptyTable()
{
    QVERIFY(f->start({}));
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(texts(), QStringList(14, QString()));
    verifyBoxes(true);
    QCOMPARE(enabledButtons(), Browse);
    QVERIFY(f->window->recordSet()->bof() && f->window->recordSet()->eof());
}

void tst_MainWindow::startsOnTheFirstRecordInIdOrder()
{
    QMap<QString, QVariant> first;
    for (const QString& field : masktest::fieldNames())
        first.insert(field, field.toUpper() + QStringLiteral(" 1"));
    first.insert(QStringLiteral("ID"), QStringLiteral("A100"));
    first.remove(QStringLiteral("Init"));
    first.remove(QStringLiteral("Special"));
    first.remove(QStringLiteral("AssignTo"));
    QVERIFY(f->start({test::row({{"ID", "C300"}, {"Last", "CLARK"}}), test::row(first),
                      test::row({{"ID", "B200"}, {"Last", "BROWN"}})}));
    QVERIFY(f->dialogs.messages.isEmpty());
    for (const auto& [name, field] : Boxes) {
        QLineEdit* box = f->box(name);
        QCOMPARE(box->text(), first.value(QString::fromLatin1(field)).toString());
        QCOMPARE(box->selectedText(), box->text());
    }
    verifyBoxes(true);
    QCOMPARE(enabledButtons(), Browse);
}

void tst_MainWindow::addEmptiesAndUnlocksTheBoxes()
{
    QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
    f->box("txtAssign")->setFocus();
    QTest::mouseClick(f->button("cmdAdd"), Qt::LeftButton);
    QCOMPARE(enabledButtons(), Entry);
    QCOMPARE(texts(), QStringList(14, QString()));
    verifyBoxes(false);
    QCOMPARE(QApplication::focusWidget(), f->box("txtMonthTested"));
    QVERIFY(f->dialogs.messages.isEmpty());
}

void tst_MainWindow::editKeepsTheText()
{
    // A stored text longer than the box's MaxLength is shown whole, but takes no more typing.
    QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Rank", "CAPTAIN"}})}));
    const QStringList shown = texts();
    QVERIFY(shown.contains(QStringLiteral("CAPTAIN")));
    f->box("txtAssign")->setFocus();
    QTest::mouseClick(f->button("cmdEdit"), Qt::LeftButton);
    QCOMPARE(enabledButtons(), Editing);
    QCOMPARE(texts(), shown);
    verifyBoxes(false);
    QCOMPARE(QApplication::focusWidget(), f->box("txtMonthTested"));

    QLineEdit* rank = f->box("txtRank");
    rank->setFocus();
    rank->end(false);
    QTest::keyClicks(rank, QStringLiteral("X"));
    QCOMPARE(rank->text(), QStringLiteral("CAPTAIN"));
    f->dialogs.answer(MsgResult::Yes);
    QTest::mouseClick(f->button("cmdCancel"), Qt::LeftButton);
    QTest::mouseClick(f->button("cmdAdd"), Qt::LeftButton);
    rank->setFocus();
    QTest::keyClicks(rank, QStringLiteral("CAPTAIN"));
    QCOMPARE(rank->text(), QStringLiteral("CAPTA"));
}

void tst_MainWindow::cancel_data()
{
    QTest::addColumn<QString>("mode"); // the button that set the mode, or none for browse mode
    QTest::addColumn<bool>("yes");
    for (const char* mode : {"", "cmdAdd", "cmdEdit"}) {
        QTest::addRow("%s Yes", *mode ? mode : "browse") << QString::fromLatin1(mode) << true;
        QTest::addRow("%s No", *mode ? mode : "browse") << QString::fromLatin1(mode) << false;
    }
}

void tst_MainWindow::cancel()
{
    QFETCH(QString, mode);
    QFETCH(bool, yes);
    QVERIFY(f->start({test::row({{"ID", "B200"}, {"Last", "BROWN"}}), test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
    const QList<test::Row> stored = test::readRows(f->path);
    if (mode.isEmpty())
        f->button("cmdDelete")->setEnabled(true); // as a search leaves it
    else
        QTest::mouseClick(f->button(qPrintable(mode)), Qt::LeftButton);
    QLineEdit* last = f->box("txtLname");
    if (!last->isReadOnly()) {
        last->setFocus();
        QTest::keyClicks(last, QStringLiteral("X"));
    }
    const QStringList shown = texts();
    const QString buttons = enabledButtons();
    const bool locked = last->isReadOnly();

    f->dialogs.answer(yes ? MsgResult::Yes : MsgResult::No);
    QTest::mouseClick(f->button("cmdCancel"), Qt::LeftButton);
    QCOMPARE(f->dialogs.messages.size(), 1);
    verifyQuestion(f->dialogs.messages.first(), QStringLiteral("Do you wish to cancel this operation?"),
                   QStringLiteral("Cancel"));
    QCOMPARE(enabledButtons(), yes ? QString::fromLatin1(Browse) : buttons);
    verifyBoxes(yes || locked);
    // Cancel neither writes nor reads back: the boxes keep what they hold.
    QCOMPARE(texts(), shown);
    QCOMPARE(test::readRows(f->path), stored);
    QCOMPARE(f->window->recordSet()->value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
}

void tst_MainWindow::exit_data()
{
    QTest::addColumn<int>("answer"); // -1: the close box
    QTest::newRow("Exit, Yes") << int(MsgResult::Yes);
    QTest::newRow("Exit, No") << int(MsgResult::No);
    QTest::newRow("close box") << -1;
}

void tst_MainWindow::exit()
{
    QFETCH(int, answer);
    QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
    const QStringList shown = texts();
    if (answer < 0) {
        f->window->close();
        QVERIFY(f->dialogs.messages.isEmpty());
    } else {
        f->dialogs.answer(MsgResult(answer));
        QTest::mouseClick(f->button("cmdExit"), Qt::LeftButton);
        QCOMPARE(f->dialogs.messages.size(), 1);
        verifyQuestion(f->dialogs.messages.first(), QStringLiteral("Are you sure you want to quit?"),
                       QStringLiteral("Exit"));
    }
    const bool stays = answer == int(MsgResult::No);
    QCOMPARE(f->window->isVisible(), stays);
    QCOMPARE(f->window->recordSet() != nullptr, stays);
    QCOMPARE(storeConnectionsOpen(), stays);
    if (stays) {
        QCOMPARE(texts(), shown);
        QCOMPARE(enabledButtons(), Browse);
        verifyBoxes(true);
        QCOMPARE(f->window->recordSet()->value(QStringLiteral("Last")).toString(), QStringLiteral("ALLEN"));
    }
}

void tst_MainWindow::refusesAStoreItCannotOpen_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a database") << QByteArray("Last,First\nSMITH,JOHN\n");
    QTest::newRow("damaged") << QByteArray("SQLite format 3\0\x10\0\1\1\0@  ", 24);
}

void tst_MainWindow::refusesAStoreItCannotOpen()
{
    QFETCH(QByteArray, content);
    const QString path = f->dir.filePath(QStringLiteral("MaskTest.mdb"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.leftJustified(4096, '\xff'));
    }
    QVERIFY(!f->load());
    QCOMPARE(f->dialogs.messages.size(), 1);
    const MessageBox& box = f->dialogs.messages.first();
    QCOMPARE(box.icon, MsgIcon::Critical);
    QVERIFY2(box.prompt.contains(path), qPrintable(box.prompt));
    QCOMPARE(QFile::exists(path), !content.isEmpty()); // never created
    QVERIFY(!f->window->isVisible());
    QVERIFY(!storeConnectionsOpen());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
