// A clerk on a server, with the four rights README's GRANT gives and no other: the fit tests
// work, and what the database does for a change of MT (the tests that follow the member)
// needs nothing more. The owner upgrades records of an earlier version; a clerk cannot.
#include "fittestsupport.h"

#include <duelist.h>
#include <mainrecords.h>
#include <masktest.h>
#include <schema.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace vantor;
using test::row;

namespace {
const QString Clerk = QStringLiteral("fit_clerk");
const QString Password = QStringLiteral("Cl3rk-fit-pw");
const QString Grant = QStringLiteral(
    R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT", "FitTest", "FitTestRecording", "VantorSchema" TO %1)");
} // namespace

class tst_FitTestClerks : public QObject
{
    Q_OBJECT

    const test::TestServer& server = test::testServer();
    QTemporaryDir m_dir;

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

    void clerkWorksWithTheGrantedRights()
    {
        const QString database = server.newDatabase();
        const QString owner = server.uri(database);
        QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(owner)));
        QVERIFY(test::execute(owner,
                              QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last") VALUES ('A100', 'ALLEN'), )"
                                             R"(('B200', 'BOYD'))")));
        QVERIFY(server.execute(Grant.arg(Clerk), database));
        const QString clerk = server.uri(database, Clerk);

        fittests::MemberFitTests store;
        QVERIFY(!store.open(RecordsLocation::fromText(clerk), test::memberKey(owner, "A100")));
        fittests::FitTest test = test::scbaTest(QDate::currentDate().addMonths(-13));
        QVERIFY(!store.save(test, {fittests::RecordingChange::Kind::Replace, "ff.csv", "text/csv", "FF,2300\n"}));
        const due::DueList list = due::runDueList(RecordsLocation::fromText(clerk), {}, 30, QDate::currentDate());
        QVERIFY2(!list.error, qPrintable(list.error.description));
        QCOMPARE(list.members.size(), 2);

        // The records window's own writes, through the clerk's connection: the tests follow.
        RecordSet records;
        QVERIFY(!records.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), test::connectionString(clerk),
                              {QStringLiteral("A100")}));
        QVERIFY(!records.setValue(QStringLiteral("ID"), QStringLiteral("A101")) && !records.update());
        QCOMPARE(test::scalar(owner, QStringLiteral(R"(SELECT "MemberID" FROM "FitTest")")).toString(), "A101");
        QVERIFY(!records.deleteCurrent());
        QCOMPARE(test::scalar(owner, QStringLiteral(R"(SELECT count(*) FROM "FitTestRecording")")).toInt(), 0);
        QCOMPARE(test::scalar(owner, QStringLiteral(R"(SELECT count(*) FROM "FitTest")")).toInt(), 0);
    }

    // Until the owner upgrades them, a clerk works with MT as before and is told what to run;
    // the clerk's own upgrade is refused, and leaves the records as they were.
    void onlyTheOwnerUpgrades()
    {
        const QString database = server.newDatabase();
        const QString owner = server.uri(database);
        Connection connection;
        QVERIFY(!connection.open(test::connectionString(owner)));
        for (const QString& sql : connection.engine()->createTableStatements(masktest::table()))
            QVERIFY(!connection.execute(sql));
        QVERIFY(server.execute(QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT" TO %1)").arg(Clerk),
                               database));
        const QString clerk = server.uri(database, Clerk);

        MainRecords window = openMainRecords(RecordsLocation::fromText(clerk));
        QVERIFY2(!window.error, qPrintable(window.error.description));
        const StoreError missing = schema::requireFitTests(*window.connection, RecordsLocation::fromText(clerk));
        QCOMPARE(missing.number, TableNotFound);
        QVERIFY2(missing.description.contains(QStringLiteral("vantor --upgrade-database \"%1\"").arg(clerk)),
                 qPrintable(missing.description));

        const auto command = [](const QString& location) {
            return test::run({QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--upgrade-database"), location});
        };
        QCOMPARE(command(clerk).first, 1);
        Connection check;
        int version = 0;
        QVERIFY(!check.open(test::connectionString(owner)) && !schema::readVersion(check, version));
        QCOMPARE(version, schema::FirstVersion);
        const auto [code, output] = command(owner);
        QVERIFY2(code == 0 && output.contains(u"GRANT"), qPrintable(output));
        QVERIFY(!schema::readVersion(check, version));
        QCOMPARE(version, schema::CurrentVersion);
        QCOMPARE(command(owner).second.contains(u"nothing was changed"), true);
    }
};

QTEST_GUILESS_MAIN(tst_FitTestClerks)
#include "tst_fittestclerks.moc"
