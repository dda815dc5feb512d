// The jobs that write a workbook: Send to Excel timed inside a process, and the report
// command timed from outside as a whole process, each beside its references.
#include "bench.h"
#include "benchsql.h"
#include "datagen.h"
#include "spawn.h"

#include <masktest.h>
#include <sqliteengine.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace vantor::bench {

void Bench::exportJob(qint64 rows, const QString& path)
{
    const QString sql = QStringLiteral("SELECT * FROM MT LIMIT %1").arg(rows);
    const QString name = QStringLiteral("export %1 rows").arg(formatCount(rows));
    const QDir scratch(m_scratch.path());
    const QString ourDir = scratch.filePath(QStringLiteral("ours"));
    scratch.mkpath(QStringLiteral("ours"));
    const QString minimalFile = scratch.filePath(QStringLiteral("minimal.xlsx"));

    Series ours, minimal;
    const QStringList job{QStringLiteral("export"), path, QString::number(rows), ourDir};
    const QStringList writer{m_minimal, path, sql, minimalFile};
    // No warm-up: the file is in the page cache from the jobs before, and a run of a
    // million rows takes minutes.
    for (int i = 0; i < m_options.exportRuns && ours.failure.isEmpty() && minimal.failure.isEmpty(); ++i) {
        measureOurs(job, ours, true);
        measureExternal(writer, minimal, true, true);
    }
    check(name, ours, rows, QString());
    check(name + QStringLiteral(", minimal writer"), minimal, rows, QString());

    QStringList targets;
    if (ours.ok() && minimal.ok()) {
        const double ratio = ours.median() / minimal.median();
        targets << QStringLiteral("<=1.5x %1").arg(ratio <= 1.5 ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (ratio > 1.5)
            m_missed << QStringLiteral("%1: %2x the minimal writer").arg(name, QString::number(ratio, 'f', 2));
    }
    printRow(name, rows, ours, formatSeconds(minimal.median()) + QStringLiteral(" libxlsxwriter"), minimal.median(),
             minimal.ok(), targets.join(QString()));

    if (!m_options.office) {
        printRow(name, rows, ours, QStringLiteral("(LibreOffice skipped)"), 0, false, QString());
        return;
    }
    const QString csv = QDir(m_options.dataDir)
                            .filePath(QFileInfo(path).completeBaseName() + QStringLiteral("-first-%1.csv").arg(rows));
    if (!ensureCsv(path, csv, sql, m_log)) {
        m_failures << name + QStringLiteral(": no CSV for LibreOffice");
        return;
    }
    // A profile of its own, made by an untimed first run: a user's LibreOffice has one.
    const QString profile
        = QUrl::fromLocalFile(QDir(m_options.dataDir).filePath(QStringLiteral("lo-profile"))).toString();
    QStringList columns;
    for (int c = 1; c <= 14; ++c)
        columns << QStringLiteral("%1/2").arg(c); // every column as text, as the export writes it
    const QStringList office{QStringLiteral("soffice"),
                             QStringLiteral("-env:UserInstallation=") + profile,
                             QStringLiteral("--headless"),
                             QStringLiteral("--infilter=CSV:44,34,76,1,") + columns.join(u'/'),
                             QStringLiteral("--convert-to"),
                             QStringLiteral("xlsx"),
                             QStringLiteral("--outdir"),
                             m_scratch.path(),
                             csv};
    Series lo;
    if (!m_officeWarm) {
        Series warm;
        const QString tiny = scratch.filePath(QStringLiteral("warm-up.csv"));
        QFile file(tiny);
        if (file.open(QIODevice::WriteOnly))
            file.write("ID,Last\nA100,SMITH\n");
        file.close();
        QStringList argv = office;
        argv.last() = tiny;
        measureExternal(argv, warm, false, false, 180);
        m_officeWarm = true;
    }
    const QString converted = scratch.filePath(QFileInfo(csv).completeBaseName() + QStringLiteral(".xlsx"));
    for (int i = 0; i < m_options.officeRuns; ++i) {
        QFile::remove(converted);
        measureExternal(office, lo, true, false, m_options.officeTimeout);
        if (lo.timedOut || !lo.failure.isEmpty())
            break;
        if (QFileInfo(converted).size() == 0) {
            lo.failure = QStringLiteral("LibreOffice wrote no workbook");
            break;
        }
    }
    QFile::remove(converted);
    QString reference;
    double loSeconds = 0;
    if (lo.timedOut) {
        loSeconds = m_options.officeTimeout; // at least that long
        reference = QStringLiteral(">") + formatSeconds(loSeconds) + QStringLiteral(" LibreOffice");
    } else if (lo.ok()) {
        loSeconds = lo.median();
        reference = formatSeconds(loSeconds) + QStringLiteral(" LibreOffice");
    } else {
        reference = QStringLiteral("LibreOffice failed");
        m_failures << name + QStringLiteral(": ") + lo.failure;
    }
    targets.clear();
    if (ours.ok() && loSeconds > 0) {
        const double speedUp = loSeconds / ours.median();
        const bool held = speedUp >= 20.0;
        targets << QStringLiteral(">=20x faster %1 (%2%3x)")
                       .arg(held ? QStringLiteral("ok")
                                 : (lo.timedOut ? QStringLiteral("not shown") : QStringLiteral("MISSED")),
                            lo.timedOut ? QStringLiteral(">") : QString(), QString::number(speedUp, 'f', 0));
        if (!held)
            m_missed
                << QStringLiteral("%1: only %2x faster than LibreOffice").arg(name, QString::number(speedUp, 'f', 1));
    }
    printRow(name, rows, ours, reference, loSeconds, lo.ok() || lo.timedOut, targets.join(QString()));
}

// A whole process as a user or a script runs it, timed from outside; the rows it gives are
// read from what it prints: "rows=N" from the minimal writer, "N members" from the program.
void Bench::measureWhole(const QStringList& argv, Series& series, bool timed)
{
    static const QRegularExpression rows(QStringLiteral(R"((?:rows=|: )(\d+)(?:$| |\n))"));
    const ProcessResult r = runProcess(argv, true);
    if (r.exitCode != 0) {
        series.failure = QStringLiteral("%1: exit %2").arg(QFileInfo(argv.first()).fileName()).arg(r.exitCode);
        return;
    }
    const QRegularExpressionMatch found = rows.match(QString::fromUtf8(r.output));
    series.rows = found.hasMatch() ? found.captured(1).toLongLong() : -1;
    series.peakKiB = std::max(series.peakKiB, r.maxRssKiB);
    if (timed) {
        series.seconds << r.seconds;
        series.cpuSeconds << r.cpuSeconds;
    }
}

void Bench::reportJob(int size, const QString& path)
{
    const QString name = QStringLiteral("report, start-up included");
    const QString sql = masktest::translate(SqliteEngine(), untestedQueries().at(0));
    const QDir scratch(m_scratch.path());
    const QStringList ours{m_options.vantor,
                           QStringLiteral("--report"),
                           QStringLiteral("1"),
                           QStringLiteral("--output"),
                           scratch.filePath(QStringLiteral("report.xlsx")),
                           QStringLiteral("--database"),
                           path};
    // The shell's ascii mode parts fields and records by control characters no record holds.
    const QStringList piped{QStringLiteral("/bin/sh"),
                            QStringLiteral("-c"),
                            QStringLiteral(R"("$1" -init /dev/null -batch -ascii -header "$2" "$3" | "$4" - "$5")"),
                            QStringLiteral("sh"),
                            m_options.sqlite3,
                            path,
                            sql + u';',
                            m_minimal,
                            scratch.filePath(QStringLiteral("piped.xlsx"))};
    const QStringList alone{m_minimal, path, sql, scratch.filePath(QStringLiteral("alone.xlsx"))};

    Series mine, pipe, writer;
    measureWhole(ours, mine, false); // warm-up: page cache and plugin cache
    measureWhole(piped, pipe, false);
    measureWhole(alone, writer, false);
    for (int i = 0; i < m_options.reportRuns && (mine.failure + pipe.failure + writer.failure).isEmpty(); ++i) {
        measureWhole(ours, mine, true);
        measureWhole(piped, pipe, true);
        measureWhole(alone, writer, true);
    }
    const qint64 rows = countRows(path, sql);
    const QString label = QStringLiteral("%1 (%2)").arg(name, formatCount(size));
    check(label, mine, rows, QString());
    check(label + QStringLiteral(", sqlite3 | minimal writer"), pipe, rows, QString());
    check(label + QStringLiteral(", minimal writer"), writer, rows, QString());

    // The target is set where the list, not the start-up, makes the time. The processor time
    // of both sides (the pipe's two processes together) is shown beside it: on a busy machine
    // the wall times swing with the load.
    const auto cpu = [](const Series& timed, const Series& reference) {
        const double theirs = Series::medianOf(reference.cpuSeconds);
        return theirs > 0 ? QStringLiteral(" (cpu %1x)").arg(Series::medianOf(timed.cpuSeconds) / theirs, 0, 'f', 2)
                          : QString();
    };
    QString target = QStringLiteral("(target from 100,000)");
    if (size >= 100000 && mine.ok() && pipe.ok()) {
        const double ratio = mine.median() / pipe.median();
        target = QStringLiteral("<=1.25x %1").arg(ratio <= 1.25 ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (ratio > 1.25)
            m_missed << QStringLiteral("%1: %2x sqlite3 | minimal writer").arg(label, QString::number(ratio, 'f', 2));
    }
    printRow(name, size, mine, formatSeconds(pipe.median()) + QStringLiteral(" sqlite3 | writer"), pipe.median(),
             pipe.ok(), target + cpu(mine, pipe));
    printRow(name, size, mine, formatSeconds(writer.median()) + QStringLiteral(" writer alone"), writer.median(),
             writer.ok(), cpu(mine, writer).trimmed());
}

} // namespace vantor::bench
