// A clerk on a server with the rights README's GRANTs give, and no other: the clerk's changes
// are recorded in the clerk's name, and the history can be neither rewritten nor switched off.
#include "historysupport.h"

#include <copyrecords.h>
#include <historylist.h>
#include <masktest.h>
#include <recordset.h>
#include <schema.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vantor;

namespace {

const QString Clerk = QStringLiteral("history_clerk");
const QString Password = QStringLiteral("Cl3rk-history-pw");
const QStringList Grants{
    QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT", "FitTest", "FitTestRecording", "VantorSchema" )"
                   R"(TO history_clerk)"),
    QStringLiteral(R"(GRANT SELECT ON "History" TO history_clerk)")};

} // namespace

class tst_HistoryClerks : public QObject
{
    Q_OBJECT

    const test::TestServer& server = test::testServer();
    QTemporaryDir m_dir;

    // Records with two members, the rights granted; the owner's location and the clerk's.
    std::pair<QString, QString> records()
    {
        const QString database = server.newDatabase();
        const QString owner = server.uri(database);
        if (masktest::createDatabase(RecordsLocation::fromText(owner), 2))
            return {};
        for (const QString& grant : Grants) {
            if (!server.execute(grant, database))
                return {};
        }
        return {owner, server.uri(database, Clerk)};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.createRole(Clerk, Password));
        const QString path = m_dir.filePath(QStringLiteral("pgpass"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        file.write(QStringLiteral("127.0.0.1:%1:*:%2:%3\n").arg(server.port, Clerk, Password).toUtf8());
        file.close();
        qputenv("PGPASSFILE", path.toUtf8());
    }

    void clerkCannotTouchTheHistory_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update an entry") << R"(UPDATE "History" SET "Who" = 'nobody')";
        QTest::newRow("delete an entry") << R"(DELETE FROM "History" WHERE "row_key" = 1)";
        QTest::newRow("make one up")
            << R"(INSERT INTO "History" ("row_key", "At", "Record", "RecordKey", "Action") OVERRIDING SYSTEM VALUE )"
               R"(VALUES (99, '2026-01-01T00:00:00.000Z', 'MT', 1, 'add'))";
        QTest::newRow("empty it") << R"(TRUNCATE "History")";
        QTest::newRow("move the head") << R"(UPDATE "HistoryHead" SET "Entry" = 0)";
        QTest::newRow("call the function") << R"(SELECT "History_Append"('MT', 1, 1, 'A100', 'add', NULL, '{}', NULL))";
        QTest::newRow("switch off the trigger") << R"(ALTER TABLE "MT" DISABLE TRIGGER "MT_History")";
        QTest::newRow("drop the trigger") << R"(DROP TRIGGER "MT_History_Change" ON "MT")";
        QTest::newRow("replay as a replica")
            << R"(SET session_replication_role = replica; UPDATE "MT" SET "Last" = 'QUIET')";
    }

    // Each statement is refused, and leaves records and history as they were.
    void clerkCannotTouchTheHistory()
    {
        QFETCH(QString, sql);
        const auto [owner, clerk] = records();
        QVERIFY(!clerk.isEmpty());
        const QList<test::StoredEntry> before = test::storedEntries(owner);
        const QList<test::Row> rows = test::readRows(owner);
        const auto [status, output] = test::shell(clerk, sql);
        QVERIFY2(status != 0 && output.contains(u"ERROR"), qPrintable(output));
        QCOMPARE(test::storedEntries(owner).size(), before.size());
        QCOMPARE(test::storedEntries(owner).last().fields, before.last().fields);
        QCOMPARE(test::readRows(owner), rows);
        QVERIFY(test::verified(owner).isWhole());
    }

    // Through the program and through psql, in the clerk's name; a table of the clerk's own named
    // History catches nothing.
    void clerksChangesAreRecordedInTheirName()
    {
        const auto [owner, clerk] = records();
        RecordSet records;
        QVERIFY(!records.open(QStringLiteral("SELECT * FROM MT"), test::connectionString(clerk)));
        QVERIFY(!records.setValue(QStringLiteral("Last"), QStringLiteral("ALLAN")) && !records.update());
        const auto [status, output] = test::shell(
            clerk,
            QStringLiteral(R"(CREATE TEMP TABLE "History" AS SELECT * FROM public."History" WITH NO DATA; )"
                           R"(UPDATE "MT" SET "Rank" = 'XX' WHERE row_key = 2; )"
                           R"(SELECT 'caught ' || count(*) FROM pg_temp."History")"));
        QVERIFY2(status == 0 && output.contains(u"caught 0"), qPrintable(output));
        const QList<test::StoredEntry> entries = test::storedEntries(owner);
        QCOMPARE(entries.size(), 4);
        for (qsizetype i = 2; i < 4; ++i) {
            QCOMPARE(entries.at(i).text("Who"), Clerk);
            QCOMPARE(entries.at(i).text("Action"), "change");
        }
        QCOMPARE(entries.at(3).after("Rank").toString(), "XX");
        // The clerk reads the history, as the History window does.
        Connection connection;
        QList<history::Entry> read;
        QVERIFY(!connection.open(test::connectionString(clerk)));
        QVERIFY(!history::readMemberHistory(connection, 2, read));
        QCOMPARE(read.size(), 2);
        QVERIFY(test::verified(owner).isWhole());
    }

    // Setting the triggers aside for a copy is the owner's alone: a clerk's copy writes nothing.
    void onlyTheOwnerCopiesIn()
    {
        const QString database = server.newDatabase();
        const QString owner = server.uri(database);
        QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(owner)));
        for (const QString& grant : Grants)
            QVERIFY(server.execute(grant, database));
        const QString file = m_dir.filePath(QStringLiteral("source.mdb"));
        QVERIFY(!masktest::createDatabase(RecordsLocation::file(file), 3));
        const StoreError refused = masktest::copyRecords(RecordsLocation::file(file),
                                                         RecordsLocation::fromText(server.uri(database, Clerk)));
        QCOMPARE(refused.number, AccessDenied);
        QVERIFY(test::readRows(owner).isEmpty() && test::storedEntries(owner).isEmpty());
        QVERIFY(!masktest::copyRecords(RecordsLocation::file(file), RecordsLocation::fromText(owner)));
        QCOMPARE(test::storedEntries(owner).size(), 3);
        QVERIFY(test::verified(owner).isWhole());
    }

    // Records of an earlier version keep working for the clerk, who is told what the owner runs;
    // the owner's upgrade starts the history and says which rights to give.
    void theOwnerStartsTheHistory()
    {
        const QString database = server.newDatabase();
        const QString owner = server.uri(database);
        Connection connection;
        QVERIFY(!connection.open(test::connectionString(owner)));
        for (const QString& sql : connection.engine()->createTableStatements(masktest::table()))
            QVERIFY(!connection.execute(sql));
        QVERIFY(test::execute(owner, QStringLiteral(R"(INSERT INTO "MT" ("ID") VALUES ('A100'), ('B200'))")));
        QVERIFY(server.execute(QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT" TO %1)").arg(Clerk),
                               database));
        const QString clerk = server.uri(database, Clerk);
        const history::MemberHistory missing = history::openMemberHistory(RecordsLocation::fromText(clerk), 1);
        QCOMPARE(missing.error.number, TableNotFound);
        QVERIFY2(missing.error.description.contains(QStringLiteral("vantor --upgrade-database \"%1\"").arg(clerk)),
                 qPrintable(missing.error.description));

        const auto [code, output]
            = test::run({QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--upgrade-database"), owner});
        QVERIFY2(code == 0 && output.contains(QStringLiteral(R"(GRANT SELECT ON "History" TO)")), qPrintable(output));
        for (const QString& grant : Grants)
            QVERIFY(server.execute(grant, database));
        const history::MemberHistory started = history::openMemberHistory(RecordsLocation::fromText(clerk), 1);
        QVERIFY2(!started.error, qPrintable(started.error.description));
        QCOMPARE(started.entries.size(), 1);
        QCOMPARE(started.entries.first().action, "start");
        QCOMPARE(started.entries.first().who, "vantor_admin");
    }
};

QTEST_GUILESS_MAIN(tst_HistoryClerks)
#include "tst_historyclerks.moc"
