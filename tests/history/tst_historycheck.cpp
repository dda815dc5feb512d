// A records file's history edited, cut or gone around with sqlite3, as anyone who may write the
// file can: --verify-history names the entry or the record concerned, every time.
#include "historysupport.h"

#include <historylist.h>
#include <masktest.h>
#include <recordset.h>

#include <QTemporaryDir>

using namespace vantor;
using Kind = history::Finding::Kind;

namespace {

// A finding as findingsOf() writes it.
QString found(Kind kind, qint64 entry, qint64 key = 0)
{
    return QStringLiteral("%1 %2 %3").arg(int(kind)).arg(entry).arg(key);
}

StoreError setField(const QString& path, const QString& fdid, const QString& field, const QString& value)
{
    RecordSet records;
    if (StoreError error
        = records.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), test::connectionString(path), {fdid}))
        return error;
    if (StoreError error = records.setValue(field, value))
        return error;
    return records.update();
}

// The file's triggers as sqlite3 makes them again; one still there is refused, and stays.
QStringList triggerStatements(const QString& path)
{
    const test::RawConnection raw(path);
    QSqlQuery query = raw.query(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger'"));
    QStringList statements;
    while (query.next())
        statements << query.value(0).toString();
    return statements;
}

} // namespace

class tst_HistoryCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // Three members added and two changed through the program: entries 1 to 5, all sealed.
    // A100, B200 and C300 are records 1, 2 and 3.
    QString fiveEntries()
    {
        const QString path = m_dir.filePath(QStringLiteral("c%1.mdb").arg(++m_files));
        if (masktest::createDatabase(RecordsLocation::file(path)))
            return {};
        RecordSet records;
        if (records.open(QStringLiteral("SELECT * FROM MT"), test::connectionString(path)))
            return {};
        for (const char* id : {"A100", "B200", "C300"}) {
            if (records.addNew() || records.setValue(QStringLiteral("ID"), QString::fromLatin1(id))
                || records.setValue(QStringLiteral("Rank"), QStringLiteral("FF")) || records.update())
                return {};
        }
        if (setField(path, QStringLiteral("A100"), QStringLiteral("Last"), QStringLiteral("ALLAN"))
            || setField(path, QStringLiteral("B200"), QStringLiteral("Rank"), QStringLiteral("LT")))
            return {};
        return path;
    }

private slots:
    void findsWhatWasDone_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("vantorWritesAfter"); // C300's Rank set to BC through the program
        QTest::addColumn<QStringList>("findings");
        QTest::addColumn<bool>("whole");
        QTest::newRow("untouched") << QString() << false << QStringList() << true;
        QTest::newRow("an entry's value edited")
            << "UPDATE History SET After = replace(After, 'ALLAN', 'ALLEN') WHERE row_key = 4" << false
            << QStringList{found(Kind::Edited, 4), found(Kind::RecordDiffers, 4, 1)} << false;
        QTest::newRow("an entry's writer edited") << "UPDATE History SET Who = 'someone@else' WHERE row_key = 2"
                                                  << false << QStringList{found(Kind::Edited, 2)} << false;
        QTest::newRow("an entry deleted in the middle")
            << "DELETE FROM History WHERE row_key = 2" << false
            << QStringList{found(Kind::Missing, 2), found(Kind::ChangedBetween, 5, 2)} << false;
        QTest::newRow("an entry deleted, then the program writes")
            << "DELETE FROM History WHERE row_key = 3" << true
            << QStringList{found(Kind::Missing, 3), found(Kind::ChangedBetween, 6, 3)} << false;
        QTest::newRow("the last entries deleted")
            << "DELETE FROM History WHERE row_key >= 4" << false
            << QStringList{found(Kind::HeadDiffers, 4), found(Kind::RecordDiffers, 1, 1),
                           found(Kind::RecordDiffers, 2, 2)}
            << false;
        QTest::newRow("the last entries deleted, then the program writes")
            << "DELETE FROM History WHERE row_key >= 4" << true
            << QStringList{found(Kind::Missing, 4), found(Kind::RecordDiffers, 1, 1), found(Kind::RecordDiffers, 2, 2)}
            << false;
        QTest::newRow("a record changed past the history")
            << "DROP TRIGGER MT_History_Change; UPDATE MT SET Rank = 'XX' WHERE ID = 'C300'" << false
            << QStringList{found(Kind::RecordDiffers, 3, 3)} << false;
        QTest::newRow("a record deleted past the history")
            << "DROP TRIGGER MT_History_Delete; DELETE FROM MT WHERE ID = 'C300'" << false
            << QStringList{found(Kind::RecordMissing, 3, 3)} << false;
        QTest::newRow("a record changed past the history, then by the program")
            << "DROP TRIGGER MT_History_Change; UPDATE MT SET Rank = 'XX' WHERE ID = 'C300'" << true
            << QStringList{found(Kind::ChangedBetween, 6, 3)} << false;
        QTest::newRow("a seal taken away") << "UPDATE History SET Hash = NULL WHERE row_key = 2" << false
                                           << QStringList{found(Kind::SealRemoved, 2)} << false;
        QTest::newRow("the last seal garbled, then the program writes")
            << "UPDATE History SET Hash = 'not a hash' WHERE row_key = 5" << true << QStringList{found(Kind::Edited, 5)}
            << false;
        QTest::newRow("a change made with the shell") << "UPDATE MT SET Rank = 'XX' WHERE ID = 'C300'" << false
                                                      << QStringList{found(Kind::OutsideUnsealed, 6)} << true;
        QTest::newRow("a change made with the shell, then by the program")
            << "UPDATE MT SET Rank = 'XX' WHERE ID = 'C300'" << true << QStringList{found(Kind::OutsideSealed, 6)}
            << true;
        QTest::newRow("a writer named with the shell")
            << "UPDATE MT SET Rank = 'XX' WHERE ID = 'C300'; UPDATE History SET Who = 'clerk@station' WHERE row_key = 6"
            << true << QStringList{found(Kind::NamedOutside, 6)} << false;
    }

    void findsWhatWasDone()
    {
        QFETCH(QString, sql);
        QFETCH(bool, vantorWritesAfter);
        QFETCH(QStringList, findings);
        QFETCH(bool, whole);
        const QString path = fiveEntries();
        QVERIFY(!path.isEmpty());
        const QStringList triggers = triggerStatements(path);
        if (!sql.isEmpty()) {
            const auto [status, output] = test::shell(path, sql);
            QVERIFY2(status == 0, qPrintable(output));
        }
        if (vantorWritesAfter) {
            // The triggers someone dropped to go around the history are back for the program's write.
            for (const QString& trigger : triggers)
                test::shell(path, trigger);
            const StoreError error
                = setField(path, QStringLiteral("C300"), QStringLiteral("Rank"), QStringLiteral("BC"));
            QVERIFY2(!error, qPrintable(error.description));
        }
        const history::Verification check = test::verified(path);
        QCOMPARE(test::findingsOf(check), findings);
        QCOMPARE(check.isWhole(), whole);
    }

    void commandNamesTheEntry_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("whole") << QString() << 0
                               << "The history is whole: every entry matches its seal, none is missing, and every "
                                  "record is as its latest entry left it.";
        QTest::newRow("edited") << "UPDATE History SET Before = NULL WHERE row_key = 5" << 1
                                << "Entry 5 does not match its seal: it was changed after it was written.";
        QTest::newRow("deleted") << "DELETE FROM History WHERE row_key = 3" << 1
                                 << "Entry 3 is missing from the chain.";
        QTest::newRow("cut") << "DELETE FROM History WHERE row_key = 5" << 1
                             << "Entry 5 is missing from the end of the chain";
        QTest::newRow("bypassed") << "DROP TRIGGER MT_History_Change; UPDATE MT SET Last = 'X' WHERE ID = 'A100'" << 1
                                  << "Member A100 (record 1) differs from its latest entry, 4";
    }

    // What an inspector runs: the entry or record named, status 1 where the history is not whole.
    void commandNamesTheEntry()
    {
        QFETCH(QString, sql);
        QFETCH(int, status);
        QFETCH(QString, says);
        const QString path = fiveEntries();
        if (!sql.isEmpty())
            QCOMPARE(test::shell(path, sql).first, 0);
        const auto [code, output] = test::run({QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--verify-history"),
                                               QStringLiteral("--database"), path});
        QVERIFY2(output.contains(says), qPrintable(output));
        QCOMPARE(code, status);
    }

    // Records of an earlier version are left as they are, and the command says why it checked nothing.
    void commandLeavesRecordsWithoutHistory()
    {
        const QString path = m_dir.filePath(QStringLiteral("old.mdb"));
        QVERIFY(QFile::copy(QStringLiteral(VANTOR_PREVIOUS_RELEASE_FILE), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray before = test::fileBytes(path);
        const auto [code, output] = test::run({QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--verify-history"),
                                               QStringLiteral("--database"), path});
        QCOMPARE(code, 1);
        QVERIFY2(output.contains(u"keeps no history yet"), qPrintable(output));
        QCOMPARE(test::fileBytes(path), before);
    }

    void reportWritesTheHistory_data()
    {
        QTest::addColumn<QString>("since");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("all") << QString() << 0 << "History: 5 entries, written to";
        QTest::newRow("since today") << QDate::currentDate().addDays(-1).toString(Qt::ISODate) << 0
                                     << "History: 5 entries, written to";
        QTest::newRow("since a later day") << QStringLiteral("1/1/2999") << 0 << "History: 0 entries, written to";
        QTest::newRow("no date") << QStringLiteral("yesterday") << 2 << "--since needs a date";
    }

    // What a reader is shown as changed: a field saved empty over nothing is no change, a
    // field emptied is, and a record added lists what it holds.
    void changesAsRead()
    {
        history::Entry changed;
        changed.record = QStringLiteral("MT");
        changed.before = QStringLiteral(R"({"Last":null,"Rank":"FF","First":"ANN"})");
        changed.after = QStringLiteral(R"({"Last":"","Rank":"LT","First":""})");
        QCOMPARE(history::describeChanges(changed),
                 QStringLiteral("First Name: ANN \u2192 (blank); Rank: FF \u2192 LT"));
        history::Entry added = changed;
        added.before.clear();
        QCOMPARE(history::describeChanges(added), QStringLiteral("Rank: LT"));
    }

    // The whole history, or the entries from a day on, in a workbook, every change before → after.
    void reportWritesTheHistory()
    {
        QFETCH(QString, since);
        QFETCH(int, status);
        QFETCH(QString, says);
        const QString path = fiveEntries();
        const QString output = m_dir.filePath(QStringLiteral("history%1.xlsx").arg(m_files));
        QStringList command{QStringLiteral(VANTOR_EXECUTABLE),
                            QStringLiteral("--report"),
                            QStringLiteral("history"),
                            QStringLiteral("--output"),
                            output,
                            QStringLiteral("--database"),
                            path};
        if (!since.isEmpty())
            command << QStringLiteral("--since") << since;
        const auto [code, printed] = test::run(command);
        QVERIFY2(printed.contains(says), qPrintable(printed));
        QCOMPARE(code, status);
        if (status != 0 || says.contains(u" 0 entries"))
            return;
        const auto [unzipped, strings] = test::run(
            {QStringLiteral("unzip"), QStringLiteral("-p"), output, QStringLiteral("xl/worksheets/sheet1.xml")});
        QCOMPARE(unzipped, 0);
        QVERIFY2(strings.contains(QStringLiteral("Last Name: (blank) \u2192 ALLAN")), qPrintable(strings));
        QVERIFY(strings.contains(QStringLiteral("Rank: FF \u2192 LT")));
        QVERIFY(strings.contains(history::localWriter()));
    }
};

QTEST_GUILESS_MAIN(tst_HistoryCheck)
#include "tst_historycheck.moc"
