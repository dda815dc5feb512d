// The benchmark's pass at a distance: each job's process reaches the server through a relay of
// its own, holding every chunk, and counts what the job's action alone waited for. A job that
// went past the relay would report the socket's times as the distance's; one that counted its
// untimed start-up, or dialled where a window in use has a connection, would report round
// trips the action does not make.
#include "testdatabase.h"

#include <masktest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

namespace {

const QString Far = QStringLiteral("bench_station");
const QString Password = QStringLiteral("Across-Town-38");
constexpr int HoldMs = 5;

struct JobResult {
    bool ran = false;
    double seconds = -1;
    qint64 turns = -1;
    qint64 dials = -1;
};

JobResult runJob(const QStringList& job)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTOR_BENCH_HOLD_MS"), QString::number(HoldMs));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VANTOR_BENCH_EXECUTABLE), QStringList{QStringLiteral("--job")} + job);
    JobResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s", process.readAllStandardError().constData());
        return result;
    }
    result.ran = true;
    for (const QString& pair : QString::fromUtf8(process.readAllStandardOutput()).simplified().split(u' ')) {
        const QString value = pair.section(u'=', 1);
        if (pair.startsWith(QLatin1String("seconds=")))
            result.seconds = value.toDouble();
        else if (pair.startsWith(QLatin1String("turns=")))
            result.turns = value.toLongLong();
        else if (pair.startsWith(QLatin1String("dials=")))
            result.dials = value.toLongLong();
    }
    return result;
}

} // namespace

class tst_BenchDistance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_location;
    JobResult m_startup;

private slots:
    void initTestCase()
    {
        QVERIFY(testServer().createRole(Far, Password));
        // As the benchmark gives it: in a password file of this user's alone.
        QFile pgpass(m_home.filePath(QStringLiteral("pgpass")));
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        pgpass.write(QStringLiteral("127.0.0.1:*:*:%1:%2\n").arg(Far, Password).toUtf8());
        pgpass.close();
        QVERIFY(pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));

        const QString name = testServer().newDatabase();
        QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(testServer().uri(name))));
        QVERIFY(testServer().execute(QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last", "Unit", "Batt", "Assign")
            SELECT 'A' || lpad(n::text, 3, '0'), 'MEMBER' || n, '1', '1', 'E' || n FROM generate_series(1, 300) n)"),
                                     name));
        QVERIFY(testServer().execute(
            QStringLiteral(
                R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT", "FitTest", "FitTestRecording", "VantorSchema" TO %1)")
                .arg(Far),
            name));
        m_location = testServer().uri(name, Far);
        QVERIFY(m_location.contains(QStringLiteral("127.0.0.1")));

        // Start-up dials: its count holds the connection's round trips besides its own.
        m_startup = runJob({QStringLiteral("startup"), m_location});
        QVERIFY(m_startup.ran);
        QCOMPARE(m_startup.dials, qint64(1));
        QVERIFY2(m_startup.turns >= 3, qPrintable(QString::number(m_startup.turns)));
    }

    // An action after start-up: through the relay (held, counted), on the window's connection
    // or one a list shown before left idle, its round trips alone.
    void actionsCountTheirOwnRoundTrips_data()
    {
        QTest::addColumn<QStringList>("job");
        QTest::newRow("search") << QStringList{QStringLiteral("search"), QStringLiteral("A150")};
        QTest::newRow("untested list") << QStringList{QStringLiteral("list"), QStringLiteral("0")};
        QTest::newRow("export") << QStringList{QStringLiteral("export"), QStringLiteral("300"), m_home.path()};
    }
    void actionsCountTheirOwnRoundTrips()
    {
        QFETCH(QStringList, job);
        job.insert(1, m_location);
        const JobResult action = runJob(job);
        QVERIFY(action.ran);
        QCOMPARE(action.dials, qint64(0));
        QVERIFY2(action.turns >= 1 && action.turns < m_startup.turns,
                 qPrintable(QStringLiteral("%1 round trips; start-up %2").arg(action.turns).arg(m_startup.turns)));
        // Every round trip was held each way on its way through the relay.
        QVERIFY2(action.seconds >= double(action.turns * 2 * HoldMs) / 1000.0,
                 qPrintable(QStringLiteral("%1 s for %2 round trips").arg(action.seconds).arg(action.turns)));
    }
};

QTEST_MAIN(tst_BenchDistance)
#include "tst_benchdistance.moc"
