// A station reaches the department's server over TLS as a department runs it: sslmode=verify-full
// with the department's CA, named in the location or kept where libpq looks for it. A server whose
// certificate does not prove it is the one named is refused with a message that says so.
#include "testdatabase.h"

#include <connection.h>
#include <recordslocation.h>
#include <storeerror.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

namespace {
const QString Clerk = QStringLiteral("station_clerk");
const QString Password = QStringLiteral("Ladder-Nine-14");
} // namespace

class tst_StoreTls : public QObject
{
    Q_OBJECT

    QTemporaryDir m_own;
    QTemporaryDir m_home; // the station user's home: ~/.postgresql/root.crt is looked for there
    std::unique_ptr<TestServer> m_server;

private slots:
    void initTestCase()
    {
        m_server = TestServer::startPrivate(m_own.path(), true);
        QVERIFY(m_server && !m_server->tls.isEmpty());
        QVERIFY(m_server->createRole(Clerk, Password));
        QFile pgpass(m_own.filePath(QStringLiteral("pgpass")));
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        pgpass.write(QStringLiteral("*:*:*:%1:%2\n").arg(Clerk, Password).toUtf8());
        pgpass.close();
        QVERIFY(pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral(".postgresql")));
    }
    void cleanupTestCase() { m_server.reset(); }

    void verifyFull_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("rootcert"); // the CA file the location names
        QTest::addColumn<QString>("homeCa"); // the CA file kept as ~/.postgresql/root.crt
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("named"); // what the message names
        QTest::newRow("CA named in the location") << "localhost"
                                                  << "ca.crt"
                                                  << "" << 0 << "";
        QTest::newRow("CA in ~/.postgresql/root.crt") << "localhost"
                                                      << ""
                                                      << "ca.crt" << 0 << "";
        QTest::newRow("wrong host name") << "127.0.0.1"
                                         << "ca.crt"
                                         << "" << int(ServerNameMismatch) << "\"127.0.0.1\"";
        QTest::newRow("wrong host name, CA at home") << "127.0.0.1"
                                                     << ""
                                                     << "ca.crt" << int(ServerNameMismatch) << "\"127.0.0.1\"";
        QTest::newRow("unknown CA named") << "localhost"
                                          << "other-ca.crt"
                                          << "ca.crt" << int(ServerCertificateUntrusted) << "other-ca.crt";
        QTest::newRow("unknown CA at home") << "localhost"
                                            << ""
                                            << "other-ca.crt" << int(ServerCertificateUntrusted) << "root.crt";
        QTest::newRow("no CA at all") << "localhost"
                                      << ""
                                      << "" << int(ServerCertificateUntrusted) << "root.crt";
    }
    void verifyFull()
    {
        QFETCH(QString, host);
        QFETCH(QString, rootcert);
        QFETCH(QString, homeCa);
        QFETCH(int, number);
        QFETCH(QString, named);
        const QDir tls(m_server->tls);
        // A database of its own: a connection kept idle from an earlier row would serve the same
        // location without dialling, and its certificate was checked when it was made.
        const QString atHome = QDir(m_home.path()).filePath(QStringLiteral(".postgresql/root.crt"));
        QFile::remove(atHome);
        if (!homeCa.isEmpty())
            QVERIFY(QFile::copy(tls.filePath(homeCa), atHome));
        QString location = QStringLiteral("postgresql://%1@%2:%3/%4?sslmode=verify-full")
                               .arg(Clerk, host, m_server->port, m_server->newDatabase());
        if (!rootcert.isEmpty())
            location += QStringLiteral("&sslrootcert=") + tls.filePath(rootcert);

        Connection connection;
        const StoreError error = connection.open(RecordsLocation::fromText(location).connectionString());
        QCOMPARE(error.number, number);
        if (number == 0) {
            QList<QVariantList> rows;
            QVERIFY(!connection.query(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"), {},
                                      rows));
            QCOMPARE(rows.value(0).value(0).toString(), QStringLiteral("t"));
            return;
        }
        // Its own words, not those of a server out of reach, and never the password.
        QVERIFY2(error.description.contains(named) && error.description.contains(u"certificate")
                     && !error.description.contains(u"cannot be reached") && !error.description.contains(Password),
                 qPrintable(error.description));
    }
};

QTEST_GUILESS_MAIN(tst_StoreTls)
#include "tst_storetls.moc"
