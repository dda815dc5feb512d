// The relay that stands for the network between a station and the server: it must count one
// round trip for each time the client waits, carry every byte in order, and make a held server
// as slow as a distant one.
#include "netproxy.h"
#include "testdatabase.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTest>

#include <libpq-fe.h>

#include <memory>

using namespace vantor::test;

namespace {

using Conn = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

const QString Role = QStringLiteral("proxy_clerk");
const QByteArray Password = QByteArrayLiteral("relay-Pw-42");

Conn connectThrough(const NetProxy& proxy)
{
    const QByteArray port = QByteArray::number(proxy.port());
    const char* keywords[] = {"host", "port", "dbname", "user", "password", "sslmode", nullptr};
    const char* values[]
        = {"127.0.0.1", port.constData(), "postgres", "proxy_clerk", Password.constData(), "disable", nullptr};
    return Conn(PQconnectdbParams(keywords, values, 0), PQfinish);
}

QString firstValue(PGconn* conn, const char* sql)
{
    Result result(PQexec(conn, sql), PQclear);
    return PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) > 0
        ? QString::fromUtf8(PQgetvalue(result.get(), PQntuples(result.get()) - 1, 0))
        : QString::fromUtf8(PQerrorMessage(conn));
}

} // namespace

class tst_NetProxy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(testServer().createRole(Role, QString::fromLatin1(Password))); }

    void countsOneTurnEachTimeTheClientWaits()
    {
        NetProxy proxy(quint16(testServer().port.toUInt()));
        QVERIFY(proxy.start());
        Conn conn = connectThrough(proxy);
        QVERIFY2(PQstatus(conn.get()) == CONNECTION_OK, PQerrorMessage(conn.get()));
        QCOMPARE(proxy.connections(), qint64(1));
        QVERIFY(proxy.turns() >= 2); // the start-up and the password's exchanges

        proxy.reset();
        QCOMPARE(firstValue(conn.get(), "SELECT 1"), QStringLiteral("1"));
        QCOMPARE(proxy.turns(), qint64(1));
        // Two statements in one text: one wait.
        QCOMPARE(firstValue(conn.get(), "SELECT 1; SELECT 2"), QStringLiteral("2"));
        QCOMPARE(proxy.turns(), qint64(2));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(firstValue(conn.get(), "SELECT 3"), QStringLiteral("3"));
        QCOMPARE(proxy.turns(), qint64(5));
        // An answer of many chunks is still one wait.
        QCOMPARE(firstValue(conn.get(), "SELECT repeat('x', 100000) FROM generate_series(1, 20)").size(), 100000);
        QCOMPARE(proxy.turns(), qint64(6));

        // Three queries sent together in pipeline mode: still one wait.
        proxy.reset();
        QVERIFY(PQenterPipelineMode(conn.get()));
        for (const char* sql : {"SELECT 4", "SELECT 5", "SELECT 6"})
            QVERIFY(PQsendQueryParams(conn.get(), sql, 0, nullptr, nullptr, nullptr, nullptr, 0));
        QVERIFY(PQpipelineSync(conn.get()));
        int answers = 0;
        for (bool synced = false; !synced;) {
            Result result(PQgetResult(conn.get()), PQclear);
            if (!result)
                continue;
            synced = PQresultStatus(result.get()) == PGRES_PIPELINE_SYNC;
            answers += PQresultStatus(result.get()) == PGRES_TUPLES_OK;
        }
        QCOMPARE(answers, 3);
        QVERIFY(PQexitPipelineMode(conn.get()));
        QCOMPARE(proxy.turns(), qint64(1));
    }

    void holdsEachWayAndCarriesEveryByte()
    {
        NetProxy proxy(quint16(testServer().port.toUInt()), 60);
        QVERIFY(proxy.start());
        Conn conn = connectThrough(proxy);
        QVERIFY2(PQstatus(conn.get()) == CONNECTION_OK, PQerrorMessage(conn.get()));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(firstValue(conn.get(), "SELECT 7"), QStringLiteral("7"));
        QVERIFY2(timer.elapsed() >= 120, qPrintable(QString::number(timer.elapsed())));
        // Megabytes in many chunks arrive whole and in order.
        Result rows(PQexec(conn.get(), "SELECT md5(i::text) FROM generate_series(1, 100000) AS i"), PQclear);
        QCOMPARE(PQresultStatus(rows.get()), PGRES_TUPLES_OK);
        QCOMPARE(PQntuples(rows.get()), 100000);
        QCOMPARE(QByteArray(PQgetvalue(rows.get(), 99999, 0)),
                 QCryptographicHash::hash("100000", QCryptographicHash::Md5).toHex());
    }
};

QTEST_GUILESS_MAIN(tst_NetProxy)
#include "tst_netproxy.moc"
