// vantor-bench: measures Vantor's store and export at scale against the practical limit
// of each job on this machine. See the Benchmarks section of the README.
#include "jobs.h"
#include "runner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

namespace {

bool parseList(const QString& text, QList<int>& list, bool zero = false)
{
    list.clear();
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = item.trimmed().remove(u'_').toInt(&ok);
        if (!ok || n < (zero ? 0 : 1))
            return false;
        list << n;
    }
    return !list.isEmpty();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    // A child process running one job for the driver.
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--job"))
        return vantor::bench::runJob(arguments.mid(2));

    vantor::bench::Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures start-up, search, the untested lists and the export at scale, each beside its reference."));
    parser.addHelpOption();
    // Name, description, value name (none for a switch).
    const char* const optionTable[][3] = {
        {"sizes", "Record counts (default 10000,100000,1000000).", "list"},
        {"export-rows", "Rows to export (default 32766,1000000; capped at the largest size).", "list"},
        {"runs", "Timed runs per job (default 5).", "n"},
        {"export-runs", "Timed runs per export (default 3).", "n"},
        {"report-runs", "Timed runs of the report command (default 9).", "n"},
        {"vantor", "The program to time for the report (default: this build's).", "path"},
        {"data-dir", "Where generated records files are kept (default: bench-data beside this program).", "dir"},
        {"no-office", "Skip the LibreOffice reference.", nullptr},
        {"no-server", "Skip the jobs on a PostgreSQL server of the benchmark's own.", nullptr},
        {"distance-ms", "Round trips to the server, in ms, to run its jobs at (default 0,20; 0: its own socket).",
         "list"},
        {"office-runs", "Timed LibreOffice runs per export (default 1).", "n"},
        {"office-timeout", "Seconds before a LibreOffice run is stopped (default 600).", "s"},
    };
    for (const auto& [name, description, valueName] : optionTable)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                            valueName ? QString::fromLatin1(valueName) : QString()));
    parser.process(app);

    QTextStream err(stderr);
    if (parser.isSet(QStringLiteral("sizes")) && !parseList(parser.value(QStringLiteral("sizes")), options.sizes)) {
        err << "vantor-bench: --sizes takes whole numbers separated by commas\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("export-rows"))
        && !parseList(parser.value(QStringLiteral("export-rows")), options.exportRows)) {
        err << "vantor-bench: --export-rows takes whole numbers separated by commas\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("distance-ms"))
        && !parseList(parser.value(QStringLiteral("distance-ms")), options.distances, true)) {
        err << "vantor-bench: --distance-ms takes whole numbers from 0 separated by commas\n";
        return 2;
    }
    bool ok = true;
    if (parser.isSet(QStringLiteral("runs")))
        options.runs = parser.value(QStringLiteral("runs")).toInt(&ok);
    if (ok && parser.isSet(QStringLiteral("export-runs")))
        options.exportRuns = parser.value(QStringLiteral("export-runs")).toInt(&ok);
    if (ok && parser.isSet(QStringLiteral("report-runs")))
        options.reportRuns = parser.value(QStringLiteral("report-runs")).toInt(&ok);
    if (!ok || options.runs < 1 || options.exportRuns < 1 || options.reportRuns < 1) {
        err << "vantor-bench: --runs, --export-runs and --report-runs take a whole number from 1\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("office-runs")))
        options.officeRuns = parser.value(QStringLiteral("office-runs")).toInt(&ok);
    if (parser.isSet(QStringLiteral("office-timeout")))
        options.officeTimeout = parser.value(QStringLiteral("office-timeout")).toDouble(&ok);
    if (!ok || options.officeRuns < 1 || options.officeTimeout <= 0) {
        err << "vantor-bench: --office-runs and --office-timeout take positive numbers\n";
        return 2;
    }
    options.office = !parser.isSet(QStringLiteral("no-office"));
    if (parser.isSet(QStringLiteral("vantor")))
        options.vantor = parser.value(QStringLiteral("vantor"));
    if (!parser.isSet(QStringLiteral("no-server")))
        options.serverScript = QStringLiteral(VANTOR_PGSERVER_SCRIPT);
    options.dataDir = parser.isSet(QStringLiteral("data-dir"))
        ? parser.value(QStringLiteral("data-dir"))
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    return vantor::bench::runBenchmarks(options);
}
