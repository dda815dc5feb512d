#pragma once

#include "runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

// The benchmark driver's own parts, shared by runner.cpp (the store jobs and the table) and
// workbookjobs.cpp (the jobs that write a workbook).
namespace vantor {
class Engine;
}

namespace vantor::bench {
class BenchServer;
}

namespace vantor::test {
class NetProxy;
}

namespace vantor::bench {

// Several timed runs of one command.
struct Series {
    QList<double> seconds;
    QList<double> driverSeconds; // our jobs: loading Qt's SQLite driver, before the job
    QList<double> cpuSeconds; // whole processes: user and system time
    qint64 peakKiB = 0;
    qint64 rows = -1;
    QString first;
    QString failure;
    bool timedOut = false;
    // At a distance: round trips and connections of the last run (ours: of the action alone).
    qint64 turns = -1;
    qint64 dials = -1;

    double median() const { return medianOf(seconds); }
    static double medianOf(const QList<double>& values)
    {
        if (values.isEmpty())
            return 0;
        QList<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const qsizetype n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    bool ok() const { return failure.isEmpty() && !timedOut && !seconds.isEmpty(); }
};

QString formatSeconds(double s);
QString formatCount(qint64 n);

constexpr double MiB = 1024.0;

class Bench
{
public:
    explicit Bench(const Options& options)
        : m_options(options)
        , m_out(stdout)
        , m_log(stderr)
    {
    }

    int run();

private:
    void measureOurs(const QStringList& job, Series& series, bool timed);
    void measureExternal(const QStringList& argv, Series& series, bool timed, bool selfTimed, double timeout = 0);
    void storeJob(const QString& name, int size, const QStringList& job, const QString& path, const QString& sql,
                  qint64 expectedRows, const QString& expectedFirst, double limitSeconds = 0);
    // The fit tests' jobs (fittestjobs.cpp): the due list, a member's tests, and start-up with
    // the tests beside MT against start-up without, on `locations` holding the records of `files`.
    void fitTestJobs(const QMap<int, QString>& files, const QMap<int, QString>& locations,
                     const QMap<int, QString>& plainLocations, const Engine& engine);
    void startupBesideTests(int size, const QString& location, const QString& plain);
    // The history's jobs (historybench.cpp): the check beside sha256sum, start-up and a list
    // beside five million entries, and the writes with the history against without.
    void historyJobs(const QMap<int, QString>& files);
    void historyServerJobs(const BenchServer& server, const QMap<int, QString>& files);
    void writesWithAndWithout(int size, const QString& with, const QString& without);
    void verifyBesideSha256(const QString& history, qint64 entries);
    // Our job `with` beside our job `without`, alternately; the target: at most `limit` times as
    // long, or at most `slack` seconds longer (a job of a millisecond or two varies by that much).
    void compareOurs(const QString& name, qint64 size, const QStringList& with, const QStringList& without, qint64 rows,
                     double limit, double slack = 0.001);
    void exportJob(qint64 rows, const QString& path);
    void reportJob(int size, const QString& path);
    void measureWhole(const QStringList& argv, Series& series, bool timed);
    void printHeader();
    void printRow(const QString& job, qint64 size, const Series& ours, const QString& reference, double refSeconds,
                  bool refOk, const QString& target);
    void check(const QString& job, const Series& series, qint64 rows, const QString& first);
    QStringList sqlite(const QString& path, const QString& sql) const;
    QStringList sqliteIdle() const;
    // The reference for a job on `location`: the sqlite3 shell, or psql on the server.
    QStringList reference(const QString& location, const QString& sql) const;
    QStringList referenceIdle(const QString& location) const;
    QString referenceName() const { return m_onServer ? QStringLiteral("psql") : QStringLiteral("sqlite3"); }
    void storeJobs(const QMap<int, QString>& files, const QMap<int, QString>& locations, const Engine& engine);
    void serverRun(const QMap<int, QString>& files);
    // Every server job on `locations` (records) and `fitLocations` (fit tests), by size; the
    // history's jobs where `history` is set.
    void serverJobs(BenchServer& server, const QMap<int, QString>& files, const QMap<int, QString>& locations,
                    const QMap<int, QString>& fitLocations, bool history);
    // The same jobs again through relays holding each chunk half of `roundTripMs` each way
    // (serverpasses.cpp): ours through a relay of the job's own, psql through m_relay.
    void distancePass(BenchServer& server, const QMap<int, QString>& files, const QMap<int, QString>& locations,
                      const QMap<int, QString>& fitLocations, int roundTripMs);
    QString viaRelay(const QString& location) const;
    QString distanceTargets(const QString& job, qint64 size, const Series& ours, const Series& ref, const Series& idle);

    Options m_options;
    QTextStream m_out;
    QTextStream m_log;
    QString m_self = QCoreApplication::applicationFilePath();
    QString m_minimal = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vantor-xlsx-minimal"));
    QTemporaryDir m_scratch;
    Series m_idleRuns; // the shell's idle runs, for the footnote
    qint64 m_emptyPeakKiB = 0;
    bool m_onServer = false;
    int m_distanceMs = 0; // the round trip to the server in this pass; 0: its own socket
    test::NetProxy* m_relay = nullptr; // psql's way to the server at a distance
    bool m_loginMade = false;
    double m_emptySeconds = 0; // start-up on an empty table, in this pass
    QMap<qint64, double> m_loopbackExport; // the server's export on its socket, by rows
    bool m_officeWarm = false;
    QMap<int, QString> m_fitFiles; // the records files with fit tests, by members
    QString m_history; // the records file with five million entries, and a small one
    QString m_smallHistory;
    QStringList m_missed;
    QStringList m_failures;
};

} // namespace vantor::bench
