#include "bench.h"
#include "benchsql.h"
#include "datagen.h"
#include "fittestdata.h"
#include "netproxy.h"
#include "serverdata.h"
#include "spawn.h"

#include <mainsql.h>
#include <masktest.h>
#include <postgresengine.h>
#include <sqliteengine.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <algorithm>

namespace vantor::bench {

QString formatSeconds(double s)
{
    if (s < 1.0)
        return QString::number(s * 1000.0, 'f', s < 0.01 ? 2 : 1) + QStringLiteral(" ms");
    return QString::number(s, 'f', 2) + QStringLiteral(" s");
}

QString formatCount(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QStringList Bench::sqliteIdle() const
{
    return {m_options.sqlite3,        QStringLiteral("-init"),    QStringLiteral("/dev/null"),
            QStringLiteral("-batch"), QStringLiteral(":memory:"), QStringLiteral("SELECT 1;")};
}

QStringList Bench::sqlite(const QString& path, const QString& sql) const
{
    return {m_options.sqlite3, QStringLiteral("-init"), QStringLiteral("/dev/null"), QStringLiteral("-batch"), path,
            sql + u';'};
}

QStringList Bench::reference(const QString& location, const QString& sql) const
{
    if (!m_onServer)
        return sqlite(location, sql);
    return {QStringLiteral("psql"),
            QStringLiteral("-X"),
            QStringLiteral("-At"),
            QStringLiteral("-d"),
            viaRelay(location),
            QStringLiteral("-c"),
            sql};
}

// psql connecting and leaving without a statement: what it costs beside the statement's own
// round trip, which belongs to the job (20 ms at a distance).
QStringList Bench::referenceIdle(const QString& location) const
{
    if (!m_onServer)
        return sqliteIdle();
    return {QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-At"),      QStringLiteral("-d"),
            viaRelay(location),     QStringLiteral("-f"), QStringLiteral("/dev/null")};
}

void Bench::measureOurs(const QStringList& job, Series& series, bool timed)
{
    const ProcessResult r = runProcess(QStringList{m_self, QStringLiteral("--job")} + job, true);
    if (r.exitCode != 0) {
        series.failure = QStringLiteral("exit %1").arg(r.exitCode);
        return;
    }
    double seconds = -1;
    double driver = 0;
    for (const QString& pair : QString::fromUtf8(r.output).simplified().split(u' ')) {
        const QString key = pair.section(u'=', 0, 0);
        const QString value = pair.section(u'=', 1);
        if (key == QLatin1String("seconds"))
            seconds = value.toDouble();
        else if (key == QLatin1String("driver"))
            driver = value.toDouble();
        else if (key == QLatin1String("hwm_kib"))
            series.peakKiB = std::max(series.peakKiB, value.toLongLong());
        else if (key == QLatin1String("rows"))
            series.rows = value.toLongLong();
        else if (key == QLatin1String("first"))
            series.first = value;
        else if (key == QLatin1String("turns"))
            series.turns = value.toLongLong();
        else if (key == QLatin1String("dials"))
            series.dials = value.toLongLong();
    }
    if (seconds < 0) {
        series.failure = QStringLiteral("no result");
    } else if (timed) {
        series.seconds << seconds;
        series.driverSeconds << driver;
    }
}

void Bench::measureExternal(const QStringList& argv, Series& series, bool timed, bool selfTimed, double timeout)
{
    if (m_relay)
        m_relay->reset();
    const ProcessResult r = runProcess(argv, selfTimed, timeout, !selfTimed);
    if (m_relay) {
        series.turns = m_relay->turns();
        series.dials = m_relay->connections();
    }
    if (r.timedOut) {
        series.timedOut = true;
        return;
    }
    if (r.exitCode != 0) {
        series.failure = QStringLiteral("%1: exit %2").arg(QFileInfo(argv.first()).fileName()).arg(r.exitCode);
        return;
    }
    double seconds = r.seconds;
    if (selfTimed) {
        const QString text = QString::fromUtf8(r.output).simplified();
        for (const QString& pair : text.split(u' ')) {
            if (pair.startsWith(QLatin1String("seconds=")))
                seconds = pair.mid(8).toDouble();
            else if (pair.startsWith(QLatin1String("rows=")))
                series.rows = pair.mid(5).toLongLong();
        }
    }
    series.peakKiB = std::max(series.peakKiB, r.maxRssKiB);
    if (timed)
        series.seconds << seconds;
}

void Bench::printHeader()
{
    m_out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
                 .arg(QStringLiteral("job"), -34)
                 .arg(QStringLiteral("size"), 9)
                 .arg(QStringLiteral("ours"), 10)
                 .arg(QStringLiteral("reference"), -27)
                 .arg(QStringLiteral("ratio"), 7)
                 .arg(QStringLiteral("peak MiB"), 9)
                 .arg(QStringLiteral("rows"), 9)
                 .arg(QStringLiteral("target"))
          << Qt::endl;
}

void Bench::printRow(const QString& job, qint64 size, const Series& ours, const QString& reference, double refSeconds,
                     bool refOk, const QString& target)
{
    const QString oursText = ours.ok() ? formatSeconds(ours.median()) : QStringLiteral("FAILED");
    const QString ratio = ours.ok() && refOk && refSeconds > 0 ? QString::number(ours.median() / refSeconds, 'f', 2)
                                                               : QStringLiteral("-");
    m_out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
                 .arg(job, -34)
                 .arg(formatCount(size), 9)
                 .arg(oursText, 10)
                 .arg(reference, -27)
                 .arg(ratio, 7)
                 .arg(ours.peakKiB ? QString::number(double(ours.peakKiB) / MiB, 'f', 1) : QStringLiteral("-"), 9)
                 .arg(ours.rows >= 0 ? formatCount(ours.rows) : QStringLiteral("-"), 9)
                 .arg(target)
          << Qt::endl;
}

void Bench::check(const QString& job, const Series& series, qint64 rows, const QString& first)
{
    if (!series.ok())
        m_failures << QStringLiteral("%1: %2").arg(job,
                                                   series.timedOut                ? QStringLiteral("timed out")
                                                       : series.failure.isEmpty() ? QStringLiteral("not run")
                                                                                  : series.failure);
    else if (series.rows != rows || (!first.isNull() && series.first != first))
        m_failures << QStringLiteral("%1: wrong result (%2 rows, first %3; expected %4 rows, first %5)")
                          .arg(job)
                          .arg(series.rows)
                          .arg(series.first)
                          .arg(rows)
                          .arg(first);
}

void Bench::storeJob(const QString& name, int size, const QStringList& job, const QString& path, const QString& sql,
                     qint64 expectedRows, const QString& expectedFirst, double limitSeconds)
{
    Series ours, ref, idle;
    const QStringList command = reference(path, sql);
    measureOurs(job, ours, false); // warm-up: page cache and plugin cache
    measureExternal(command, ref, false, false);
    for (int i = 0; i < m_options.runs && ours.failure.isEmpty() && ref.failure.isEmpty(); ++i) {
        measureOurs(job, ours, true);
        measureExternal(command, ref, true, false);
        measureExternal(referenceIdle(path), idle, true, false);
    }
    const QString label = QStringLiteral("%1 (%2%3)")
                              .arg(name, formatCount(size),
                                   m_distanceMs ? QStringLiteral(", server at %1 ms").arg(m_distanceMs)
                                                : QString::fromLatin1(m_onServer ? ", server" : ""));
    check(label, ours, expectedRows, expectedFirst);
    if (!ref.ok() || !idle.ok())
        m_failures << QStringLiteral("%1: %2 reference: %3").arg(label, referenceName(), ref.failure + idle.failure);
    // The shell's own start-up and exit are no part of the job: each reference run counts
    // less the idle run of the shell right after it.
    Series net;
    for (qsizetype i = 0; i < std::min(ref.seconds.size(), idle.seconds.size()); ++i)
        net.seconds << ref.seconds[i] - idle.seconds[i];
    const double refSeconds = net.median();
    m_idleRuns.seconds << idle.seconds;
    // A job shorter than the spread of the shell's own start-up leaves nothing measurable.
    const bool measurable = refSeconds > 0;

    QStringList targets;
    if (ours.ok() && ref.ok() && !measurable)
        targets << QStringLiteral("<=1.5x not measurable: %1 within its start-up noise").arg(referenceName());
    if (ours.ok() && ref.ok() && measurable) {
        const double ratio = ours.median() / refSeconds;
        const bool held = ratio <= 1.5;
        targets << QStringLiteral("<=1.5x %1").arg(held ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!held)
            m_missed << QStringLiteral("%1: %2x %3").arg(label, QString::number(ratio, 'f', 2), referenceName());
    }
    // What the user waits for, whatever the reference takes.
    if (limitSeconds > 0 && ours.ok()) {
        const bool fast = ours.median() <= limitSeconds;
        targets << QStringLiteral("<=%1 %2").arg(formatSeconds(limitSeconds),
                                                 fast ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!fast)
            m_missed
                << QStringLiteral("%1: %2 > %3").arg(label, formatSeconds(ours.median()), formatSeconds(limitSeconds));
    }
    if (job.first() == QLatin1String("startup") && size >= 1000000 && ours.ok()) {
        // What the user waits for includes loading the driver; a server is given a second.
        Series driver;
        driver.seconds = ours.driverSeconds;
        const double wait = ours.median() + driver.median();
        const double limit = m_distanceMs ? 1.5 : m_onServer ? 1.0 : 0.5;
        const bool fast = wait <= limit;
        targets << QStringLiteral("%1 with driver <=%2 s %3")
                       .arg(formatSeconds(wait), QString::number(limit),
                            fast ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!fast)
            m_missed << QStringLiteral("%1: %2 > %3 s").arg(label, formatSeconds(wait), QString::number(limit));
        const double above = double(ours.peakKiB - m_emptyPeakKiB) / MiB;
        const bool small = m_emptyPeakKiB > 0 && above <= 64.0;
        targets << QStringLiteral("+%1 MiB <=64 %2")
                       .arg(QString::number(above, 'f', 1), small ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!small)
            m_missed
                << QStringLiteral("%1: peak %2 MiB above an empty table").arg(label, QString::number(above, 'f', 1));
        if (m_onServer && !m_distanceMs) {
            // What a million records add to the wait for the window, beside an empty table.
            const double more = ours.median() - m_emptySeconds;
            const bool close = more <= 0.250;
            targets << QStringLiteral("+%1 over empty <=250 ms %2")
                           .arg(formatSeconds(more), close ? QStringLiteral("ok") : QStringLiteral("MISSED"));
            if (!close)
                m_missed << QStringLiteral("%1: %2 more than an empty table").arg(label, formatSeconds(more));
        }
    }
    if (m_onServer)
        targets << distanceTargets(job.first(), size, ours, ref, idle);
    targets.removeAll(QString());
    printRow(name, size, ours,
             measurable ? formatSeconds(refSeconds) + u' ' + referenceName()
                        : QStringLiteral("~0 %1 (noise)").arg(referenceName()),
             refSeconds, ref.ok() && measurable, targets.join(QStringLiteral("; ")));
}

int Bench::run()
{
    if (!m_scratch.isValid()) {
        m_log << "vantor-bench: no scratch folder\n";
        return 1;
    }
    QStringList sizeTexts;
    for (int size : m_options.sizes)
        sizeTexts << formatCount(size);
    m_log << "vantor-bench: sizes " << sizeTexts.join(QStringLiteral(", ")) << ", " << m_options.runs
          << " runs each, data in " << m_options.dataDir << Qt::endl;

    QMap<int, QString> files;
    for (int size : m_options.sizes) {
        const QString path = ensureDatabase(m_options.dataDir, size, m_log);
        if (path.isEmpty())
            return 1;
        files.insert(size, path);
    }
    const QString empty = ensureDatabase(m_options.dataDir, 0, m_log);
    if (empty.isEmpty())
        return 1;

    printHeader();
    {
        Series ours;
        measureOurs({QStringLiteral("startup"), empty}, ours, false);
        for (int i = 0; i < m_options.runs && ours.failure.isEmpty(); ++i)
            measureOurs({QStringLiteral("startup"), empty}, ours, true);
        check(QStringLiteral("start-up, empty table"), ours, 0, QStringLiteral("-"));
        m_emptyPeakKiB = ours.peakKiB;
        printRow(QStringLiteral("start-up, empty table"), 0, ours, QStringLiteral("(memory baseline)"), 0, false,
                 QString());
        Series driver;
        driver.seconds = ours.driverSeconds;
        driver.peakKiB = 0;
        printRow(QStringLiteral("Qt SQLite driver load, not in jobs"), 0, driver,
                 QStringLiteral("(like the shell's idle run)"), 0, false, QString());
    }

    storeJobs(files, files, sqliteEngine());
    // The fit tests: five a member, at the sizes a department reaches.
    for (int size : m_options.sizes) {
        if (size > 100000)
            continue;
        const QString path = ensureFitTests(m_options.dataDir, size, files.value(size), m_log);
        if (path.isEmpty())
            return 1;
        m_fitFiles.insert(size, path);
    }
    fitTestJobs(m_fitFiles, m_fitFiles, files, sqliteEngine());
    historyJobs(files);
    for (int size : m_options.sizes)
        reportJob(size, files.value(size));

    int largest = 0;
    for (int size : m_options.sizes)
        largest = std::max(largest, size);
    QList<qint64> exported;
    for (int rows : m_options.exportRows) {
        const qint64 n = std::min(rows, largest);
        if (n <= 0 || exported.contains(n))
            continue;
        exported << n;
        int source = largest;
        for (int size : m_options.sizes) {
            if (size >= n && size < source)
                source = size;
        }
        exportJob(n, files.value(source));
    }

    if (!m_options.serverScript.isEmpty()) {
        QMap<int, QString> withEmpty = files;
        withEmpty.insert(0, empty);
        serverRun(withEmpty);
    }

    m_out << Qt::endl
          << "Our times are taken inside a fresh process per run; sqlite3 and psql times are wall times less an "
             "idle run of the shell right after each (median idle run "
          << formatSeconds(m_idleRuns.median())
          << "). The report and its references are whole processes timed "
             "from outside, start-up included."
          << Qt::endl;
    if (m_missed.isEmpty())
        m_out << "Every target measured here holds." << Qt::endl;
    else
        m_out << "Targets missed:" << Qt::endl << "  " << m_missed.join(QStringLiteral("\n  ")) << Qt::endl;
    if (!m_failures.isEmpty()) {
        m_out << "FAILURES:" << Qt::endl << "  " << m_failures.join(QStringLiteral("\n  ")) << Qt::endl;
        return 1;
    }
    return 0;
}

// Start-up, search and the five lists on every size, `locations` holding the records of `files`.
void Bench::storeJobs(const QMap<int, QString>& files, const QMap<int, QString>& locations, const Engine& engine)
{
    const QStringList lists = untestedQueries();
    const QStringList listNames = untestedListNames();
    for (auto it = locations.cbegin(); it != locations.cend(); ++it) {
        const int size = it.key();
        const QString& location = it.value();
        const QString& file = files.value(size);
        // The key scan the start-up runs; the counts and FDIDs every engine must give are SQLite's.
        const QString keyScan = QStringLiteral("SELECT %1 FROM \"MT\" ").arg(engine.rowKeyColumn())
            + masktest::translate(engine, mainsql::StartupQuery).section(QStringLiteral("\"MT\""), 1);
        storeJob(QStringLiteral("start-up, first record"), size, {QStringLiteral("startup"), location}, location,
                 keyScan, countRows(file, QStringLiteral("SELECT rowid FROM MT")), QString());

        const QString fdid = middleFdid(file);
        const QString search = masktest::translate(engine, SearchQuery).replace(u'?', u'\'' + fdid + u'\'');
        storeJob(QStringLiteral("search one FDID"), size, {QStringLiteral("search"), location, fdid}, location, search,
                 countRows(file, masktest::translate(sqliteEngine(), SearchQuery).replace(u'?', u'\'' + fdid + u'\'')),
                 fdid);

        for (int i = 0; i < lists.size(); ++i) {
            storeJob(QStringLiteral("untested list \"%1\"").arg(listNames.at(i)), size,
                     {QStringLiteral("list"), location, QString::number(i)}, location,
                     masktest::translate(engine, lists.at(i)),
                     countRows(file, masktest::translate(sqliteEngine(), lists.at(i))), QString());
        }
    }
}

int runBenchmarks(const Options& options)
{
    Bench bench(options);
    return bench.run();
}

} // namespace vantor::bench
