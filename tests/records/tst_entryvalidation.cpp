#include "recordsfixture.h"

#include <entryvalidation.h>

using namespace vantor;
using namespace vantor::test;

class tst_EntryValidation : public QObject
{
    Q_OBJECT

private slots:
    void numberTest_data();
    void numberTest();
    void checksInOrder_data();
    void checksInOrder();
};

void tst_EntryValidation::numberTest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    for (const char* yes : {"7", "12", "2026", "007", " 7", "7 ", "-3", "+1", "1.5", ".5", "5."})
        QTest::newRow(yes) << yes << true;
    for (const char* no : {"", " ", "ab", "O", "1a", "1 2", "1,000", "1e3", "&H1F", "$5", "--1", ".", "1.2.3"})
        QTest::newRow(no) << no << false;
}

void tst_EntryValidation::numberTest()
{
    QFETCH(QString, text);
    QTEST(entries::isNumeric(text), "numeric");
}

// Each row names a check; every later check is given a fault of its own as well, so the
// message seen proves that this check runs before all of them.
struct Fault {
    const char* box;
    const char* text;
    const char* title;
    const char* prompt;
    MsgIcon icon;
};
static const Fault faults[] = {
    {"txtMonthTested", "ab", "Month", "Month format must be numerals only!", MsgIcon::Information},
    {"txtDayTested", "x", "Day", "Day format must be numerals only!", MsgIcon::Information},
    {"txtYearTested", "20x6", "Year", "Year format must be numerals only!", MsgIcon::Information},
    {"txtFDID", "", "FDID Field", "FDID is a required field!", MsgIcon::Exclamation},
    {"txtRank", "", "Personnel's Rank", "Please enter the personnel's rank!", MsgIcon::Information},
    {"txtKday", "", "Kelly Day", "If Kelly Day does not apply, then place a zero (0) in the box!",
     MsgIcon::Information},
    {"txtLname", "", "Vantor", "Please enter a last name!", MsgIcon::None},
    {"txtFname", "", "Vantor", "Please enter a first name!", MsgIcon::None},
    {"txtBatt", "", "Battatlion",
     "Please enter the personnel's battalion.\r\nIf the personnel are on 40hrs., then place a \"0\" in the box.",
     MsgIcon::Information},
    {"txtBatt", "B", "Input Error",
     "You have entered something other than a number for the Battalion; Please correct this!", MsgIcon::Information},
    {"txtUnit", "", "Unit", "Please enter the personnel's assigned Unit!", MsgIcon::Exclamation},
    {"txtUnit", "U", "Input Error",
     "You have entered something other than a number for personnel's Unit;Please correct this!",
     MsgIcon::Information},
    {"txtAssign", "", "Assignment", "Please enter the personnel's permanent assignment!", MsgIcon::Exclamation},
};

void tst_EntryValidation::checksInOrder_data()
{
    QTest::addColumn<int>("check");
    QTest::addColumn<bool>("update");
    for (int i = 0; i < 13; ++i) {
        QTest::addRow("%d %s on save", i + 1, faults[i].box) << i << false;
        QTest::addRow("%d %s on update", i + 1, faults[i].box) << i << true;
    }
}

void tst_EntryValidation::checksInOrder()
{
    QFETCH(int, check);
    QFETCH(bool, update);
    const Row stored = validRecord(QStringLiteral("A100"));
    RecordsFixture f;
    QVERIFY(f.start({stored}));
    f.click(update ? "cmdEdit" : "cmdAdd");
    f.fill(validRecord());
    // Blanks are not empty, and the boxes the checks never read may stay empty.
    f.box("txtRank")->setText(QStringLiteral("  "));
    for (int i = 12; i >= check; --i)
        f.box(faults[i].box)->setText(QString::fromUtf8(faults[i].text));
    const QString before = f.box(faults[check].box)->text();

    f.click(update ? "cmdUpdate" : "cmdSave");
    QCOMPARE(f.titles(), QStringList{faults[check].title});
    QCOMPARE(f.dialogs.messages.first().prompt, QString::fromUtf8(faults[check].prompt));
    QCOMPARE(f.dialogs.messages.first().icon, faults[check].icon);
    const bool numberCheck = check < 3 || check == 9 || check == 11;
    QCOMPARE(f.box(faults[check].box)->text(), numberCheck ? QString() : before);
    QCOMPARE(QApplication::focusWidget(), f.box(faults[check].box));
    QCOMPARE(readRows(f.path), QList<Row>{stored});
    QVERIFY(f.button(update ? "cmdUpdate" : "cmdSave")->isEnabled());
    QVERIFY(!f.box("txtLname")->isReadOnly());
}

QTEST_MAIN(tst_EntryValidation)
#include "tst_entryvalidation.moc"
