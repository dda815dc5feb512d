#include "recordsfixture.h"

using namespace vantor;
using namespace vantor::test;

class tst_SaveUpdate : public QObject
{
    Q_OBJECT

private slots:
    void saveWritesTheTypedTextExactly();
    void saveFailureKeepsTheEntries();
    void updateAnsweredNoThenYes();
    void updateFailureIsReportedOnce_data();
    void updateFailureIsReportedOnce();

private:
    const Row stored = validRecord(QStringLiteral("A100"));
};

void tst_SaveUpdate::saveWritesTheTypedTextExactly()
{
    RecordsFixture f;
    QVERIFY(f.start({stored}));
    f.click("cmdAdd");
    // Through the tab order, as a clerk types it; blanks at either end stay.
    f.box("txtMonthTested")->setFocus(Qt::TabFocusReason);
    for (const char* keys : {"7", "", "2026", " ", "", "b204", " capt", "a", " smith ", "jo", "", "0", "3", "e-12 "}) {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(keys));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    f.click("cmdSave");
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(describe(f.dialogs.messages.value(0))));
    const Row saved = row({{"ID", "B204"}, {"Last", " SMITH "}, {"First", "JO"}, {"Init", ""}, {"Rank", " CAPT"},
                           {"Kelly", "A"}, {"Batt", "0"}, {"Unit", "3"}, {"Assign", "E-12 "}, {"Month", "7"},
                           {"Day", ""}, {"Year", "2026"}, {"Special", " "}, {"AssignTo", ""}});
    QCOMPARE(readRows(f.path), QList<Row>({stored, saved}));
    QCOMPARE(f.shown(), saved);
    QVERIFY(f.box("txtLname")->isReadOnly());
    QCOMPARE(QApplication::focusWidget(), f.button("cmdSearch"));
    QVERIFY(f.button("cmdUpdate")->isEnabled() && !f.button("cmdSave")->isEnabled());
}

void tst_SaveUpdate::saveFailureKeepsTheEntries()
{
    RecordsFixture f;
    QVERIFY(f.start({stored}));
    QVERIFY(execute(f.path, QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON MT "
                                           "BEGIN SELECT RAISE(ABORT, 'the disk refused the record'); END")));
    f.click("cmdAdd");
    f.fill(validRecord());
    f.click("cmdSave");
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY2(f.dialogs.messages.first().prompt.contains("the disk refused the record"),
             qPrintable(f.dialogs.messages.first().prompt));
    QCOMPARE(f.shown(), validRecord());
    QVERIFY(f.button("cmdSave")->isEnabled());
    QVERIFY(!f.box("txtFDID")->isReadOnly());
    QCOMPARE(readRows(f.path), QList<Row>{stored});

    // Once the cause is gone, the same entries are saved, once.
    QVERIFY(execute(f.path, QStringLiteral("DROP TRIGGER refuse")));
    f.click("cmdSave");
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(readRows(f.path), QList<Row>({stored, validRecord()}));
}

void tst_SaveUpdate::updateAnsweredNoThenYes()
{
    const Row other = validRecord(QStringLiteral("B200"));
    RecordsFixture f;
    QVERIFY(f.start({stored, other}));
    f.click("cmdEdit");
    f.box("txtLname")->selectAll();
    f.type("txtLname", "adams ");
    f.box("txtAssign")->clear();
    // An emptied assignment is refused before anything is asked or written.
    f.click("cmdUpdate");
    QCOMPARE(f.titles(), QStringList{"Assignment"});
    f.dialogs.clear();
    f.type("txtAssign", "ladder 9");
    // No writes nothing and stays in edit mode with the changes in the boxes.
    f.dialogs.answer(MsgResult::No);
    f.click("cmdUpdate");
    QCOMPARE(readRows(f.path), QList<Row>({stored, other}));
    QVERIFY(f.button("cmdUpdate")->isEnabled() && !f.box("txtLname")->isReadOnly());
    QCOMPARE(f.box("txtLname")->text(), "ADAMS ");
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdUpdate");
    QCOMPARE(f.dialogs.messages.size(), 2);
    const MessageBox confirm = f.dialogs.messages.last();
    QCOMPARE(confirm.prompt, "Are you sure you wish to update this record?");
    QCOMPARE(confirm.buttons, MsgButtons::YesNo);
    QCOMPARE(confirm.icon, MsgIcon::Question);
    Row updated = stored;
    updated[1] = QStringLiteral("ADAMS ");
    updated[8] = QStringLiteral("LADDER 9");
    QCOMPARE(readRows(f.path), QList<Row>({updated, other}));
    QVERIFY(f.box("txtAssign")->isReadOnly());
    QVERIFY(!f.button("cmdUpdate")->isEnabled());
    QVERIFY(f.button("cmdDelete")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.button("cmdSearch"));
}

void tst_SaveUpdate::updateFailureIsReportedOnce_data()
{
    QTest::addColumn<QString>("otherProgram");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("changed elsewhere")
        << "UPDATE MT SET Rank = 'LT' WHERE ID = 'A100'"
        << "Error Number: -2147217864 Description: Row cannot be located for updating. Some values may have been "
           "changed since it was last read.";
    QTest::newRow("refused by the file")
        << "CREATE TRIGGER refuse BEFORE UPDATE ON MT BEGIN SELECT RAISE(ABORT, 'locked record'); END"
        << "Error Number: -2147467259 Description: locked record";
}

void tst_SaveUpdate::updateFailureIsReportedOnce()
{
    QFETCH(QString, otherProgram);
    RecordsFixture f;
    QVERIFY(f.start({stored}));
    const QList<Row> before = (execute(f.path, otherProgram), readRows(f.path));
    f.click("cmdEdit");
    f.type("txtMid", "q");
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdUpdate");
    QCOMPARE(f.titles(), QStringList({"Update Record", "Error at procedure <Update Error>"}));
    QTEST(f.dialogs.messages.last().prompt, "prompt");
    QCOMPARE(f.dialogs.messages.last().icon, MsgIcon::Critical);
    QCOMPARE(readRows(f.path), before);
    QVERIFY(f.button("cmdUpdate")->isEnabled());
    QVERIFY(!f.box("txtMid")->isReadOnly());
    QCOMPARE(f.box("txtMid")->text(), "Q");
}

QTEST_MAIN(tst_SaveUpdate)
#include "tst_saveupdate.moc"
