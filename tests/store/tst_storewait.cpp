// A server that stops answering, as a network that drops without a reset looks to a station:
// every statement ends within the store's time, or when the user stops waiting, with the
// server fault said, and the next one connects again.
#include "storetest.h"

#include <mainsql.h>
#include <serverwait.h>

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

using namespace vantor;
using namespace vantor::storetest;
using vantor::test::Row;

namespace {

// What a window would show: the servers it was told of, and whether it stopped waiting.
class ScriptedWaitWindow final : public ServerWaitObserver
{
public:
    void waitStarted(const QString& server, const std::function<void()>& stop) override
    {
        told << server;
        if (whileShown)
            whileShown();
        if (stopsWaiting)
            stop();
    }
    void waitEnded() override { ++ended; }

    QStringList told;
    int ended = 0;
    bool stopsWaiting = false;
    std::function<void()> whileShown; // what the user does meanwhile
};

class tst_StoreWait : public StoreTest
{
    Q_OBJECT

    static constexpr int Seconds = 3;
    const QString clerk = QStringLiteral("waiter_%1").arg(QCoreApplication::applicationPid());
    const QString password = QStringLiteral("W4iter-%1").arg(QCoreApplication::applicationPid());

private slots:
    void initTestCase()
    {
        setServerTimeout(Seconds);
        // Over TCP, as a station reaches its server; the password from the password file.
        const QString path = m_dir.filePath(QStringLiteral("pgpass"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        file.write(QStringLiteral("127.0.0.1:*:*:%1:%2\n").arg(clerk, password).toUtf8());
        file.close();
        qputenv("PGPASSFILE", path.toUtf8());
    }
    void cleanupTestCase() { setServerTimeout(DefaultServerTimeout); }

    void unansweredServerIsGivenUp_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("userStops"); // stops waiting as soon as the window shows
        QTest::newRow("connecting") << "connect" << false;
        QTest::newRow("reading a page") << "page" << false;
        QTest::newRow("saving a change") << "update" << false;
        QTest::newRow("within a transaction") << "transaction" << false;
        QTest::newRow("searching, stopped by the user") << "keys" << true;
        QTest::newRow("saving a change, stopped by the user") << "update" << true;
        // A grid repainting meanwhile asks the same set and the same connection for more.
        QTest::newRow("reading a page, more asked for meanwhile") << "page, asked again" << true;
    }
    void unansweredServerIsGivenUp()
    {
        QFETCH(QString, step);
        QFETCH(bool, userStops);
        QTemporaryDir own;
        const std::unique_ptr<test::TestServer> mine = test::TestServer::startPrivate(own.path());
        QVERIFY(mine && mine->createRole(clerk, password));
        const QString name = mine->newDatabase();
        QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(mine->uri(name)), 300));
        QVERIFY(
            mine->execute(QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT" TO %1)").arg(clerk), name));
        const QString location = mine->uri(name, clerk);
        const QString server = RecordsLocation::fromText(location).displayName();

        ScriptedWaitWindow window;
        window.stopsWaiting = userStops;
        setServerWaitObserver(&window);
        const auto unset = qScopeGuard([] { setServerWaitObserver(nullptr); });
        Connection connection;
        QVERIFY(!connection.open(test::connectionString(location)));
        RecordSet rs;
        QVERIFY(!rs.open(AllById, connection));
        QCOMPARE(rs.valueAt(0, 0).toString().isEmpty(), false);
        QList<qint32> meanwhile;
        if (step.endsWith(u"asked again"))
            window.whileShown = [&] {
                StoreError asked;
                rs.valueAt(200, 0, &asked);
                meanwhile << asked.number << connection.execute(QStringLiteral(R"(DELETE FROM "MT")")).number;
            };

        QElapsedTimer waited;
        const auto freeze = [&] {
            QVERIFY(mine->control(QStringLiteral("freeze")));
            waited.start();
        };
        const auto thawed = qScopeGuard([&mine] { mine->control(QStringLiteral("thaw")); });
        StoreError error;
        if (step == u"transaction") {
            // Begun while the server answered; its statement is the one left unanswered.
            error = connection.transaction([&] {
                freeze();
                return connection.execute(QStringLiteral(R"(DELETE FROM "MT")"));
            });
        } else {
            freeze();
        }
        if (step == u"connect") {
            Connection another;
            error = another.open(test::connectionString(location));
        } else if (step.startsWith(u"page")) {
            rs.valueAt(100, 0, &error);
        } else if (step == u"update") {
            error = rs.setValue(QStringLiteral("Last"), QStringLiteral("LOST"));
            if (!error)
                error = rs.update();
        } else if (step == u"keys") {
            RecordSet found;
            error = found.open(mainsql::SearchById, connection, {QStringLiteral("A100")});
        }
        const qint64 elapsed = waited.elapsed();

        QCOMPARE(error.number, qint32(ServerUnavailable));
        const QString said = userStops ? QStringLiteral("You stopped waiting")
                                       : QStringLiteral("did not answer within %1 seconds").arg(Seconds);
        for (const QString& part : {server, said})
            QVERIFY2(error.description.contains(part), qPrintable(error.description));
        // Told once, after about a second, by the server's name; the time bounds the rest.
        QCOMPARE(window.told, QStringList{server});
        QVERIFY2(userStops || (elapsed >= Seconds * 1000 - 100 && elapsed < Seconds * 1000 + 30000),
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(window.ended, 1);
        // Nothing more was sent on the connection that waited; the statement waited for was given up.
        QCOMPARE(meanwhile, step.endsWith(u"asked again") ? (QList<qint32>{Busy, Busy}) : QList<qint32>());

        // Once the server answers again, the next statement connects anew and nothing given up
        // was stored.
        QVERIFY(mine->control(QStringLiteral("thaw")));
        window.told.clear();
        StoreError again;
        QCOMPARE(rs.valueAt(299, 0, &again).toString().isEmpty(), false);
        QVERIFY2(!again, qPrintable(again.description));
        rs.cancelUpdate();
        QVERIFY(!rs.moveFirst() && !rs.setValue(QStringLiteral("First"), QStringLiteral("AGAIN")) && !rs.update());
        const QList<Row> rows = test::readRows(location);
        QCOMPARE(rows.size(), 300);
        for (const Row& row : rows)
            QVERIFY(row.at(1) != QStringLiteral("LOST"));
        QVERIFY(window.told.isEmpty());
    }
};

} // namespace

int vantor::storetest::runWaitTests(int argc, char* argv[])
{
    tst_StoreWait wait;
    return QTest::qExec(&wait, argc, argv);
}

#include "tst_storewait.moc"
