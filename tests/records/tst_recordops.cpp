#include "mainwindowfixture.h"

#include <numeric>

using namespace vantor;
using namespace vantor::test;

class tst_RecordOps : public QObject
{
    Q_OBJECT

    const Row stored = validRecord(QStringLiteral("A100"));
    // Stored out of FDID order, so that the store's own order differs from the start-up one.
    const QList<Row> rows{validRecord("C300"), validRecord("A100"), validRecord("O'1"), validRecord("B200")};
    static QStringList ids(const QList<Row>& rows)
    {
        return std::accumulate(rows.begin(), rows.end(), QStringList(),
                               [](QStringList l, const Row& r) { return l << r.first().toString(); });
    }

private slots:
    void saveWritesTheTypedTextExactly()
    {
        MainWindowFixture f;
        QVERIFY(f.start({stored}));
        f.click("cmdAdd");
        // Through the tab order, as a clerk types it; blanks at either end stay.
        f.box("txtMonthTested")->setFocus(Qt::TabFocusReason);
        for (const char* keys :
             {"7", "", "2026", " ", "", "b204", " capt", "a", " smith ", "jo", "", "0", "3", "e-12 "}) {
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(keys));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        f.click("cmdSave");
        QCOMPARE(f.titles(), QStringList());
        const Row saved = row({{"ID", "B204"},
                               {"Last", " SMITH "},
                               {"First", "JO"},
                               {"Init", ""},
                               {"Rank", " CAPT"},
                               {"Kelly", "A"},
                               {"Batt", "0"},
                               {"Unit", "3"},
                               {"Assign", "E-12 "},
                               {"Month", "7"},
                               {"Day", ""},
                               {"Year", "2026"},
                               {"Special", " "},
                               {"AssignTo", ""}});
        QCOMPARE(readRows(f.path), QList<Row>({stored, saved}));
        QCOMPARE(f.shown(), saved);
        QVERIFY(f.box("txtLname")->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), f.button("cmdSearch"));
        QVERIFY(f.button("cmdUpdate")->isEnabled() && !f.button("cmdSave")->isEnabled());
    }

    void saveFailureKeepsTheEntries()
    {
        MainWindowFixture f;
        QVERIFY(f.start({stored}));
        QVERIFY(refuseWrites(f.path, QStringLiteral("INSERT"), QStringLiteral("the disk refused the record")));
        f.click("cmdAdd");
        f.fill(validRecord());
        f.click("cmdSave");
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(f.dialogs.messages.first().prompt.contains(u"the disk refused the record"));
        QCOMPARE(f.shown(), validRecord());
        QVERIFY(f.button("cmdSave")->isEnabled() && !f.box("txtFDID")->isReadOnly());
        QCOMPARE(readRows(f.path), QList<Row>{stored});
        // Once the cause is gone, the same entries are saved, once.
        QVERIFY(allowWrites(f.path, QStringLiteral("INSERT")));
        f.click("cmdSave");
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(readRows(f.path), QList<Row>({stored, validRecord()}));
    }

    void updateAnsweredNoThenYes()
    {
        const Row other = validRecord(QStringLiteral("B200"));
        MainWindowFixture f;
        QVERIFY(f.start({stored, other}));
        f.click("cmdEdit");
        f.box("txtLname")->selectAll();
        f.type("txtLname", "adams ");
        f.box("txtAssign")->clear();
        f.click("cmdUpdate"); // refused before anything is asked or written
        QCOMPARE(f.titles(), QStringList{"Assignment"});
        f.dialogs.clear();
        f.type("txtAssign", "ladder 9");
        f.dialogs.answer(MsgResult::No);
        f.click("cmdUpdate");
        QCOMPARE(readRows(f.path), QList<Row>({stored, other}));
        QVERIFY(f.button("cmdUpdate")->isEnabled() && !f.box("txtLname")->isReadOnly());
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdUpdate");
        QCOMPARE(f.titles(), QStringList({"Update Record", "Update Record"}));
        const MessageBox confirm = f.dialogs.messages.last();
        QCOMPARE(confirm.prompt, "Are you sure you wish to update this record?");
        QVERIFY(confirm.buttons == MsgButtons::YesNo && confirm.icon == MsgIcon::Question);
        Row updated = stored;
        updated[1] = QStringLiteral("ADAMS ");
        updated[8] = QStringLiteral("LADDER 9");
        QCOMPARE(readRows(f.path), QList<Row>({updated, other}));
        QVERIFY(f.box("txtAssign")->isReadOnly() && !f.button("cmdUpdate")->isEnabled());
        QVERIFY(f.button("cmdDelete")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), f.button("cmdSearch"));
    }

    // A row changed meanwhile is the two-program test's; here the store refuses the write.
    void updateRefusedIsReportedOnce()
    {
        MainWindowFixture f;
        QVERIFY(f.start({stored}));
        QVERIFY(refuseWrites(f.path, QStringLiteral("UPDATE"), QStringLiteral("locked record")));
        f.click("cmdEdit");
        f.type("txtMid", "q");
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdUpdate");
        QCOMPARE(f.titles(), QStringList({"Update Record", "Error at procedure <Update Error>"}));
        QCOMPARE(f.dialogs.messages.last().prompt, "Error Number: -2147467259 Description: locked record");
        QCOMPARE(f.dialogs.messages.last().icon, MsgIcon::Critical);
        QCOMPARE(readRows(f.path), QList<Row>{stored});
        QVERIFY(f.button("cmdUpdate")->isEnabled() && !f.box("txtMid")->isReadOnly());
        QCOMPARE(f.box("txtMid")->text(), "Q");
    }

    // The answer is a text to match, whatever it holds: never SQL, a pattern or a cut-off string.
    void search_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown"); // empty: nothing found
        const std::tuple<const char*, const char*, const char*> cases[] = {
            {"found", "B200", "B200"},
            {"cancelled: the store's first", "", "C300"},
            {"not found", "Z999", ""},
            {"blanks kept", " B200", ""},
            {"always true", "A100' OR '1'='1", ""},
            {"statement after", "A100'; DROP TABLE MT; --", ""},
            {"lone quote", "'", ""},
            {"percent", "%", ""},
            {"underscore", "A_00", ""},
            {"quote and percent stored", "B'2%", "B'2%"},
            {"underscore and semicolon stored", "C_3;", "C_3;"},
            {"dashes stored", "D--4", "D--4"},
            {"control characters", "A100\r\n\t\x1b", ""},
        };
        for (const auto& [name, answer, shown] : cases)
            QTest::newRow(name) << QString::fromUtf8(answer) << QString::fromUtf8(shown);
        QTest::newRow("NUL inside") << QStringLiteral("A100") + QChar(0) << "";
        QTest::newRow("10,000 characters") << QString(10000, u'A') << "";
        QTest::newRow("100,000 quotes") << QString(100000, u'\'') << "";
    }
    void search()
    {
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        const QList<Row> members = rows + QList<Row>{validRecord("B'2%"), validRecord("C_3;"), validRecord("D--4")};
        MainWindowFixture f;
        QVERIFY(f.start(members));
        f.dialogs.answerInput(answer);
        f.click("cmdSearch");
        QCOMPARE(f.dialogs.inputs.size(), 1);
        QCOMPARE(f.dialogs.inputs.first().prompt, "Please enter the employee's FDID number");
        QCOMPARE(f.dialogs.inputs.first().title, "FDID Search");
        QCOMPARE(f.titles(), shown.isEmpty() ? QStringList{"Attention"} : QStringList());
        if (shown.isEmpty()) {
            QCOMPARE(f.dialogs.messages.first().prompt,
                     "No records found\rMake sure that the criteria you are entering is in the A123 format");
            QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::Exclamation);
        } else if (!answer.isEmpty()) {
            QCOMPARE(f.window->recordSet()->recordCount(), 1);
        }
        QCOMPARE(f.box("txtFDID")->text(), shown.isEmpty() ? QStringLiteral("A100") : shown);
        QVERIFY(f.button("cmdDelete")->isEnabled() && f.box("txtFDID")->isReadOnly());
        QCOMPARE(readRows(f.path), members);
        // Delete works on the new set: with nothing found, nothing goes.
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete");
        QCOMPARE(readRows(f.path).size(), members.size() - (shown.isEmpty() ? 0 : 1));
        QVERIFY(!ids(readRows(f.path)).contains(shown));
    }

    void failedSearchKeepsTheRecords()
    {
        MainWindowFixture f;
        QVERIFY(f.start(rows));
        QVERIFY(execute(f.path, QStringLiteral(R"(ALTER TABLE "MT" RENAME TO "Gone")")));
        f.dialogs.answerInput(QStringLiteral("B200"));
        f.click("cmdSearch");
        QCOMPARE(f.titles(), QStringList{"FDID Search"});
        QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::Critical);
        QCOMPARE(f.box("txtFDID")->text(), "A100");
        QVERIFY(execute(f.path, QStringLiteral(R"(ALTER TABLE "Gone" RENAME TO "MT")")));
        f.dialogs.answerInput(QStringLiteral("B200"));
        f.click("cmdSearch");
        QCOMPARE(f.box("txtFDID")->text(), "B200");
    }

    void deleteMovesOnToTheFollowingRecord()
    {
        MainWindowFixture f;
        QVERIFY(f.start(rows));
        f.click("cmdSearch"); // cancelled: every record, in the store's order
        f.dialogs.answer(MsgResult::No);
        f.click("cmdDelete");
        QCOMPARE(f.dialogs.messages.first().prompt,
                 "Deleting this record will completely remove it from the database!\r\n"
                 "Are you sure you wish to delete this record?");
        QCOMPARE(f.titles(), QStringList{"Delete Record"});
        QCOMPARE(readRows(f.path), rows);
        // Refused by the store: said, and nothing moves.
        QVERIFY(refuseWrites(f.path, QStringLiteral("DELETE"), QStringLiteral("records are kept")));
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete");
        QCOMPARE(f.titles(), QStringList({"Delete Record", "Delete Record", "Delete Record"}));
        QCOMPARE(f.dialogs.messages.last().icon, MsgIcon::Critical);
        QVERIFY(f.dialogs.messages.last().prompt.contains(u"records are kept"));
        QCOMPARE(readRows(f.path), rows);
        QCOMPARE(f.box("txtFDID")->text(), "C300");
        QVERIFY(allowWrites(f.path, QStringLiteral("DELETE")));
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete"); // the first
        QCOMPARE(f.box("txtFDID")->text(), "A100");
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete"); // one in the middle
        QCOMPARE(f.box("txtFDID")->text(), "O'1");
        QCOMPARE(ids(readRows(f.path)), QStringList({"O'1", "B200"}));
    }

    void deleteTheLastAndTheOnlyRecord()
    {
        MainWindowFixture f;
        QVERIFY(f.start(rows));
        // A saved record is the last of the set; an update enables Delete on it.
        f.click("cmdAdd");
        f.fill(validRecord("E500"));
        f.click("cmdSave");
        f.click("cmdEdit");
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdUpdate");
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete");
        QCOMPARE(f.box("txtFDID")->text(), "O'1"); // the new last in FDID order
        QCOMPARE(ids(readRows(f.path)), ids(rows));
        f.dialogs.answerInput(QStringLiteral("B200"));
        f.click("cmdSearch");
        f.dialogs.answer(MsgResult::Yes);
        f.dialogs.answer(MsgResult::Yes);
        f.click("cmdDelete");
        f.click("cmdDelete"); // nothing is left to delete
        QCOMPARE(f.dialogs.messages.size(), 4);
        QCOMPARE(f.box("txtFDID")->text(), "B200");
        QCOMPARE(ids(readRows(f.path)), QStringList({"C300", "A100", "O'1"}));
    }
};

QTEST_MAIN(tst_RecordOps)
#include "tst_recordops.moc"
