// The commands on a server location, run as an administrator runs them.
#include "testdatabase.h"

#include <recordslocation.h>
#include <serverlocation.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using test::row;
using test::Row;

namespace {

std::pair<int, QString> runVantor(const QStringList& arguments)
{
    return test::run(QStringList{QStringLiteral(VANTOR_EXECUTABLE)} + arguments);
}

// A new, empty records database on the server; its location.
QString newRecords(const test::TestServer& server)
{
    const QString location = server.uri(server.newDatabase());
    return runVantor({"--create-database", location}).first == 0 ? location : QString();
}

// The parts of a workbook that hold its cells: a workbook's other parts carry the time it was made.
QByteArray cellsOf(const QString& workbook)
{
    QByteArray cells;
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), workbook, QString::fromLatin1(part)});
        unzip.waitForFinished();
        cells += unzip.readAllStandardOutput();
    }
    return cells;
}

} // namespace

class tst_ServerCommands : public QObject
{
    Q_OBJECT

    const test::TestServer& server = test::testServer();
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { qunsetenv("QT_QPA_PLATFORM"), qunsetenv("DISPLAY"); }
    void createDatabase_data()
    {
        QTest::addColumn<QString>("before"); // "table": MT with one record; "password": the location names one;
                                             // "keywords": libpq's key=value form; "service": a service file's
        QTest::addColumn<int>("rows"); // -1: refused
        QTest::newRow("empty database") << "" << 25;
        QTest::newRow("key=value location") << "keywords" << 25;
        QTest::newRow("service location") << "service" << 25;
        QTest::newRow("table there") << "table" << -1;
        QTest::newRow("password in the location") << "password" << -1;
    }
    void createDatabase()
    {
        QFETCH(QString, before);
        QFETCH(int, rows);
        QString location = before == u"table" ? test::createDatabase(m_dir.path(), {row({{"ID", "A100"}})})
                                              : server.uri(server.newDatabase());
        if (before == u"password")
            location.replace(QStringLiteral("vantor_admin@"), QStringLiteral("vantor_admin:S3cret-word@"));
        const QString parameters = QStringLiteral("host=%1 port=%2 dbname=%3 user=vantor_admin")
                                       .arg(server.socket, server.port, server::parse(location).database);
        QString typed = before == u"keywords" ? parameters : location;
        if (before == u"service") {
            QFile file(m_dir.filePath(QStringLiteral("pg_service.conf")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[records]\n" + parameters.toUtf8().replace(' ', '\n') + '\n');
            file.close();
            qputenv("PGSERVICEFILE", file.fileName().toUtf8());
            typed = QStringLiteral("postgresql://?service=records");
        }
        const auto [code, output] = runVantor({"--create-database", typed, "--sample", "25"});
        QVERIFY2((code == 0) == (rows >= 0), qPrintable(output));
        QVERIFY(!output.contains(u"S3cret-word"));
        // Named as a server, not a file.
        QVERIFY2(output.contains(before == u"service" ? u"PostgreSQL service \"records\"" : u"PostgreSQL server"),
                 qPrintable(output));
        if (rows >= 0) {
            // The database was there already: what was made is its table.
            QVERIFY2(output.startsWith(u"Created table MT in "), qPrintable(output));
            QCOMPARE(test::readRows(location).size(), rows);
        } else if (before == u"table") {
            QCOMPARE(test::readRows(location), QList<Row>{row({{"ID", "A100"}})});
        }
    }
    // A report that cannot reach its records names them once.
    void reportNamesTheServerOnce()
    {
        const QString location = server.uri(QStringLiteral("no_such_database"));
        const auto [code, output] = runVantor(
            {"--report", "1", "--output", m_dir.filePath(QStringLiteral("none.xlsx")), "--database", location});
        QCOMPARE(code, 1);
        const QString named = RecordsLocation::fromText(location).displayName();
        QVERIFY2(output.count(named) == 1 && output.contains(u"no such database"), qPrintable(output));
    }
    // A department moves its file onto the server and back; every list is the same workbook
    // from either.
    void copiedRecordsGiveTheSameWorkbooks()
    {
        const QString file = m_dir.filePath(QStringLiteral("department.mdb"));
        const QString back = m_dir.filePath(QStringLiteral("back.mdb"));
        const QString location = newRecords(server);
        QCOMPARE(runVantor({"--create-database", file, "--sample", "600"}).first, 0);
        auto [code, output] = runVantor({"--copy-records", file, "--database", location});
        QVERIFY2(code == 0 && output.contains(u"Copied 600 records"), qPrintable(output));
        std::tie(code, output) = runVantor({"--copy-records", location, "--database", back});
        QVERIFY2(code == 0, qPrintable(output));
        QCOMPARE(test::readRows(location), test::readRows(file));
        QCOMPARE(test::readRows(back), test::readRows(file));

        for (const char* group : {"1", "2", "3", "40", "special"}) {
            QStringList listed;
            for (const QString& records : {file, location}) {
                const QString workbook = m_dir.filePath(QStringLiteral("%1-%2.xlsx").arg(group).arg(listed.size()));
                std::tie(code, output)
                    = runVantor({"--report", QString::fromLatin1(group), "--output", workbook, "--database", records});
                QVERIFY2(code == 0, qPrintable(output));
                listed << QString::fromUtf8(cellsOf(workbook));
            }
            QVERIFY(listed.at(0).size() > 1000);
            QVERIFY2(listed.at(0) == listed.at(1), group);
        }
    }
    // A refusal by the server itself at the last record takes back all the others.
    void copyWritesAllOrNothing()
    {
        // The source: a file of 50 members and, last, the one the refusal is about.
        QTemporaryDir own;
        const QString file = own.filePath(QStringLiteral("MaskTest.mdb"));
        QCOMPARE(runVantor({"--create-database", file, "--sample", "50"}).first, 0);
        QVERIFY(test::execute(file, QStringLiteral(R"(INSERT INTO "MT" ("ID") VALUES ('Z999'))")));
        const QString location = newRecords(server);
        QVERIFY(
            test::execute(location, QStringLiteral(R"(ALTER TABLE "MT" ADD CONSTRAINT no_z CHECK ("ID" <> 'Z999'))")));
        const QList<Row> before = test::readRows(location);
        const auto [code, output] = runVantor({"--copy-records", file, "--database", location});
        QVERIFY2(code == 1, qPrintable(output));
        QCOMPARE(test::readRows(location), before);
    }
    // An old Access file goes straight into a new server database, as into a new file; a table
    // made beforehand with --create-database takes it as well.
    void importLegacyIntoAServer_data()
    {
        QTest::addColumn<bool>("tableMade");
        QTest::newRow("empty database") << false;
        QTest::newRow("table made before") << true;
    }
    void importLegacyIntoAServer()
    {
        QFETCH(bool, tableMade);
        const QString location = tableMade ? newRecords(server) : server.uri(server.newDatabase());
        const QString old = qEnvironmentVariable("VANTOR_FIXTURES") + QStringLiteral("/legacy/MaskTest-text.mdb");
        const auto [code, output] = runVantor({"--import-legacy", old, "--database", location});
        QVERIFY2(code == 0, qPrintable(output));
        const qsizetype rows = test::readRows(location).size();
        QVERIFY(rows > 100);
        QVERIFY2(output.contains(QStringLiteral("Converted %1 records").arg(rows)), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(tst_ServerCommands)
#include "tst_servercommands.moc"
