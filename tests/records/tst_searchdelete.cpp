#include "recordsfixture.h"

using namespace vantor;
using namespace vantor::test;

class tst_SearchDelete : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void failedSearchKeepsTheRecords();
    void deleteMovesOnToTheFollowingRecord();
    void deleteTheLastAndTheOnlyRecord();
    void deleteRefusedByTheStore();

private:
    // Stored out of FDID order, so that the store's own order differs from the start-up one.
    const QList<Row> rows{validRecord("C300"), validRecord("A100"), validRecord("O'1"), validRecord("B200")};
    static QStringList ids(const QList<Row>& rows)
    {
        QStringList list;
        for (const Row& r : rows)
            list << r.first().toString();
        return list;
    }
};

void tst_SearchDelete::search_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown"); // empty: nothing found
    QTest::newRow("found") << "B200" << "B200";
    QTest::newRow("cancelled: the store's first") << "" << "C300";
    QTest::newRow("quote is a character") << "O'1" << "O'1";
    QTest::newRow("not found") << "Z999" << "";
    QTest::newRow("no injection") << "x' OR '1'='1" << "";
    QTest::newRow("blanks kept") << " B200" << "";
}

void tst_SearchDelete::search()
{
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    RecordsFixture f;
    QVERIFY(f.start(rows));
    QCOMPARE(f.box("txtFDID")->text(), "A100");
    f.dialogs.answerInput(answer);
    f.click("cmdSearch");
    QCOMPARE(f.dialogs.inputs.size(), 1);
    QCOMPARE(f.dialogs.inputs.first().prompt, "Please enter the employee's FDID number");
    QCOMPARE(f.dialogs.inputs.first().title, "FDID Search");
    if (shown.isEmpty()) {
        QCOMPARE(f.titles(), QStringList{"Attention"});
        QCOMPARE(f.dialogs.messages.first().prompt,
                 "No records found\rMake sure that the criteria you are entering is in the A123 format");
        QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::Exclamation);
        QCOMPARE(f.box("txtFDID")->text(), "A100");
    } else {
        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(f.box("txtFDID")->text(), shown);
    }
    QVERIFY(f.button("cmdDelete")->isEnabled());
    QVERIFY(f.box("txtFDID")->isReadOnly());
    // Delete works on the new set: with nothing found, nothing goes.
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdDelete");
    QCOMPARE(readRows(f.path).size(), rows.size() - (shown.isEmpty() ? 0 : 1));
    QVERIFY(!ids(readRows(f.path)).contains(shown));
}

void tst_SearchDelete::failedSearchKeepsTheRecords()
{
    RecordsFixture f;
    QVERIFY(f.start(rows));
    QVERIFY(execute(f.path, QStringLiteral("ALTER TABLE MT RENAME TO Gone")));
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    QCOMPARE(f.titles(), QStringList{"FDID Search"});
    QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::Critical);
    QCOMPARE(f.box("txtFDID")->text(), "A100");
    QVERIFY(f.window->recordSet() && f.window->recordSet()->isOpen());

    QVERIFY(execute(f.path, QStringLiteral("ALTER TABLE Gone RENAME TO MT")));
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    QCOMPARE(f.box("txtFDID")->text(), "B200");
}

void tst_SearchDelete::deleteMovesOnToTheFollowingRecord()
{
    RecordsFixture f;
    QVERIFY(f.start(rows));
    f.click("cmdSearch"); // cancelled: every record, in the store's order
    f.dialogs.answer(MsgResult::No);
    f.click("cmdDelete");
    QCOMPARE(f.dialogs.messages.first().prompt,
             "Deleting this record will completely remove it from the database!\r\n"
             "Are you sure you wish to delete this record?");
    QCOMPARE(f.dialogs.messages.first().title, "Delete Record");
    QCOMPARE(readRows(f.path), rows);

    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdDelete"); // the first
    QCOMPARE(f.box("txtFDID")->text(), "A100");
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdDelete"); // one in the middle of the set
    QCOMPARE(f.box("txtFDID")->text(), "O'1");
    QCOMPARE(ids(readRows(f.path)), QStringList({"O'1", "B200"}));
    QVERIFY(f.button("cmdDelete")->isEnabled());
    QVERIFY(f.box("txtFDID")->isReadOnly());
}

void tst_SearchDelete::deleteTheLastAndTheOnlyRecord()
{
    RecordsFixture f;
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

void tst_SearchDelete::deleteRefusedByTheStore()
{
    RecordsFixture f;
    QVERIFY(f.start(rows));
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    QVERIFY(execute(f.path, QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON MT "
                                           "BEGIN SELECT RAISE(ABORT, 'records are kept'); END")));
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdDelete");
    QCOMPARE(f.titles(), QStringList({"Delete Record", "Delete Record"}));
    QCOMPARE(f.dialogs.messages.last().icon, MsgIcon::Critical);
    QVERIFY2(f.dialogs.messages.last().prompt.contains("records are kept"),
             qPrintable(f.dialogs.messages.last().prompt));
    QCOMPARE(readRows(f.path), rows);
    QCOMPARE(f.box("txtFDID")->text(), "B200");
}

QTEST_MAIN(tst_SearchDelete)
#include "tst_searchdelete.moc"
