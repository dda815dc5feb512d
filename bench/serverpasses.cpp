// The server jobs: on the server's own socket, then again at a distance, through relays that
// hold every chunk as a network between a station and headquarters would, each job beside
// psql running the same statement through a relay of the same distance.
#include "bench.h"
#include "jobs.h"
#include "netproxy.h"
#include "serverdata.h"

#include <postgresengine.h>

#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

namespace vantor::bench {

namespace {

// The login the stations' jobs use over TCP; its password lives in the scratch folder's
// password file alone.
const QString FarLogin = QStringLiteral("bench_far");

QString newPassword()
{
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    QString password;
    for (int i = 0; i < 24; ++i)
        password += QLatin1Char(letters[QRandomGenerator::system()->bounded(int(sizeof letters) - 1)]);
    return password;
}

// libpq's password file, readable by this user alone (libpq ignores one that others may read).
bool writePasswordFile(const QString& file, const QString& password)
{
    QFile pgpass(file);
    if (!pgpass.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (!pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return false;
    const bool written = pgpass.write(QStringLiteral("127.0.0.1:*:*:%1:%2\n").arg(FarLogin, password).toUtf8()) > 0;
    pgpass.close();
    return written;
}

} // namespace

QString Bench::viaRelay(const QString& location) const
{
    if (!m_relay)
        return location;
    QUrl url(location);
    url.setPort(m_relay->port());
    return url.toString();
}

// The round trips of the action at a distance, ours and psql's, and the export's target: at
// most a fifth longer than on the server's own socket.
QString Bench::distanceTargets(const QString& job, qint64 size, const Series& ours, const Series& ref,
                               const Series& idle)
{
    if (job == QLatin1String("export") && ours.ok() && !m_distanceMs)
        m_loopbackExport.insert(size, ours.median());
    if (!m_distanceMs)
        return {};
    QStringList parts;
    if (ours.turns >= 0) {
        QString trips = QStringLiteral("%1 round trips").arg(ours.turns);
        if (ours.dials > 0)
            trips += QStringLiteral(" (%1 connection)").arg(ours.dials);
        if (ref.turns >= 0 && idle.turns >= 0)
            trips += QStringLiteral(", psql %1").arg(ref.turns - idle.turns);
        parts << trips;
    }
    if (job == QLatin1String("export") && ours.ok() && m_loopbackExport.contains(size)) {
        const double ratio = ours.median() / m_loopbackExport.value(size);
        const bool held = ratio <= 1.2;
        parts << QStringLiteral("%1x socket <=1.2x %2")
                     .arg(QString::number(ratio, 'f', 2), held ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!held)
            m_missed << QStringLiteral("export %1 rows at %2 ms: %3x the same on the socket")
                            .arg(formatCount(size))
                            .arg(m_distanceMs)
                            .arg(QString::number(ratio, 'f', 2));
    }
    return parts.join(QStringLiteral("; "));
}

// The same jobs on a server of the benchmark's own, each beside psql running the same SQL.
void Bench::serverRun(const QMap<int, QString>& files)
{
    BenchServer server;
    if (!server.start(m_options.serverScript, QDir(m_scratch.path()).filePath(QStringLiteral("pgserver.info")),
                      m_log)) {
        m_failures << QStringLiteral("the PostgreSQL server did not start");
        return;
    }
    QMap<int, QString> locations;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString location = server.ensureDatabase(it.key(), it.value(), m_log);
        if (location.isEmpty()) {
            m_failures << QStringLiteral("no server database of %1 records").arg(formatCount(it.key()));
            return;
        }
        locations.insert(it.key(), location);
    }
    QMap<int, QString> fitLocations;
    for (auto it = m_fitFiles.cbegin(); it != m_fitFiles.cend(); ++it) {
        const QString location = server.ensureDatabase(it.key(), it.value(), m_log, true);
        if (location.isEmpty()) {
            m_failures << QStringLiteral("no server database of %1 fit tests").arg(formatCount(it.key()));
            return;
        }
        fitLocations.insert(it.key(), location);
    }
    m_onServer = true;
    for (int distance : m_options.distances) {
        if (distance == 0) {
            m_out << Qt::endl << "On a PostgreSQL server of its own, beside psql -At:" << Qt::endl;
            serverJobs(server, files, locations, fitLocations, true);
        } else {
            distancePass(server, files, locations, fitLocations, distance);
        }
    }
    m_onServer = false;
}

void Bench::distancePass(BenchServer& server, const QMap<int, QString>& files, const QMap<int, QString>& locations,
                         const QMap<int, QString>& fitLocations, int roundTripMs)
{
    // Over TCP, as a station connects: a login with a password, from the password file alone.
    if (!m_loginMade) {
        const QString password = newPassword();
        const QString file = QDir(m_scratch.path()).filePath(QStringLiteral("pgpass"));
        if (!writePasswordFile(file, password) || !server.createLogin(FarLogin, password, m_log)) {
            m_failures << QStringLiteral("no login over TCP for the pass at %1 ms").arg(roundTripMs);
            return;
        }
        qputenv("PGPASSFILE", QFile::encodeName(file));
        m_loginMade = true;
    }
    const auto overTcp = [&server](const QMap<int, QString>& byName) {
        QMap<int, QString> tcp;
        for (auto it = byName.cbegin(); it != byName.cend(); ++it)
            tcp.insert(it.key(),
                       QStringLiteral("postgresql://%1@127.0.0.1:%2%3")
                           .arg(FarLogin)
                           .arg(server.port())
                           .arg(QUrl(it.value()).path()));
        return tcp;
    };
    const int holdMs = roundTripMs / 2;
    test::NetProxy relay(server.port(), holdMs);
    if (!relay.start()) {
        m_failures << QStringLiteral("no relay for the pass at %1 ms").arg(roundTripMs);
        return;
    }
    m_relay = &relay;
    m_distanceMs = roundTripMs;
    // Our jobs' processes each put a relay of the same hold between them and the server.
    qputenv(DistanceVariable, QByteArray::number(holdMs));
    m_out << Qt::endl
          << "The same at " << roundTripMs << " ms round trip (" << holdMs
          << " ms each way, through a relay, over TCP with a password), beside psql -At through one of the same:"
          << Qt::endl;
    serverJobs(server, files, overTcp(locations), overTcp(fitLocations), false);
    qunsetenv(DistanceVariable);
    m_distanceMs = 0;
    m_relay = nullptr;
}

// Start-up on an empty table (the memory baseline), the store jobs, the fit tests' jobs, the
// history's (on the socket) and the export.
void Bench::serverJobs(BenchServer& server, const QMap<int, QString>& files, const QMap<int, QString>& withEmpty,
                       const QMap<int, QString>& fitLocations, bool history)
{
    Series empty;
    const QString baseline = withEmpty.value(0);
    measureOurs({QStringLiteral("startup"), baseline}, empty, false);
    for (int i = 0; i < m_options.runs && empty.failure.isEmpty(); ++i)
        measureOurs({QStringLiteral("startup"), baseline}, empty, true);
    check(QStringLiteral("start-up, empty table, server"), empty, 0, QStringLiteral("-"));
    m_emptyPeakKiB = empty.peakKiB;
    m_emptySeconds = empty.median();
    QString trips;
    if (empty.turns >= 0) {
        // What making a connection costs, psql's without a statement: the rows below count it in.
        Series dial;
        measureExternal(referenceIdle(baseline), dial, true, false);
        trips = QStringLiteral("%1 round trips (%2 connection); psql's connection alone: %3")
                    .arg(empty.turns)
                    .arg(empty.dials)
                    .arg(dial.turns);
    }
    printRow(QStringLiteral("start-up, empty table"), 0, empty, QStringLiteral("(memory baseline)"), 0, false, trips);
    QMap<int, QString> locations = withEmpty;
    locations.remove(0);
    storeJobs(files, locations, postgresEngine());
    fitTestJobs(m_fitFiles, fitLocations, locations, postgresEngine());
    if (history)
        historyServerJobs(server, files);
    QList<int> exported;
    for (int wanted : m_options.exportRows) {
        const int rows = std::min(wanted, locations.lastKey());
        if (exported.contains(rows))
            continue;
        exported << rows;
        const auto source = locations.lowerBound(rows);
        // psql only reads: the ratio holds the writing too, which the file rows measure apart.
        const QString sql = QStringLiteral("SELECT * FROM \"MT\" ORDER BY row_key LIMIT %1").arg(rows);
        storeJob(QStringLiteral("export %1 rows").arg(formatCount(rows)), rows,
                 {QStringLiteral("export"), source.value(), QString::number(rows), m_scratch.path()}, source.value(),
                 sql, rows, QString());
    }
}

} // namespace vantor::bench
