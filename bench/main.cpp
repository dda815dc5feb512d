// vantor-bench: measures Vantor's store and export at scale against the practical limit
// of each job on this machine. See the Benchmarks section of the README.
#include "jobs.h"
#include "runner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

namespace {

bool parseList(const QString& text, QList<int>& list)
{
    list.clear();
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = item.trimmed().remove(u'_').toInt(&ok);
        if (!ok || n <= 0)
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
    const QCommandLineOption sizes(QStringLiteral("sizes"),
                                   QStringLiteral("Record counts (default 10000,100000,1000000)."),
                                   QStringLiteral("list"));
    const QCommandLineOption exportRows(
        QStringLiteral("export-rows"),
        QStringLiteral("Rows to export (default 32766,1000000; capped at the largest size)."), QStringLiteral("list"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Timed runs per job (default 5)."),
                                  QStringLiteral("n"));
    const QCommandLineOption exportRuns(QStringLiteral("export-runs"),
                                        QStringLiteral("Timed runs per export (default 3)."), QStringLiteral("n"));
    const QCommandLineOption reportRuns(QStringLiteral("report-runs"),
                                        QStringLiteral("Timed runs of the report command (default 9)."),
                                        QStringLiteral("n"));
    const QCommandLineOption vantor(QStringLiteral("vantor"),
                                    QStringLiteral("The program to time for the report (default: this build's)."),
                                    QStringLiteral("path"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Where generated records files are kept (default: bench-data "
                                                    "beside this program)."),
                                     QStringLiteral("dir"));
    const QCommandLineOption noOffice(QStringLiteral("no-office"), QStringLiteral("Skip the LibreOffice reference."));
    const QCommandLineOption noServer(QStringLiteral("no-server"),
                                      QStringLiteral("Skip the jobs on a PostgreSQL server of the benchmark's own."));
    const QCommandLineOption officeRuns(QStringLiteral("office-runs"),
                                        QStringLiteral("Timed LibreOffice runs per export (default 1)."),
                                        QStringLiteral("n"));
    const QCommandLineOption officeTimeout(QStringLiteral("office-timeout"),
                                           QStringLiteral("Seconds before a LibreOffice run is stopped (default 600)."),
                                           QStringLiteral("s"));
    parser.addOptions({sizes, exportRows, runs, exportRuns, reportRuns, vantor, dataDir, noOffice, noServer, officeRuns,
                       officeTimeout});
    parser.process(app);

    QTextStream err(stderr);
    if (parser.isSet(sizes) && !parseList(parser.value(sizes), options.sizes)) {
        err << "vantor-bench: --sizes takes whole numbers separated by commas\n";
        return 2;
    }
    if (parser.isSet(exportRows) && !parseList(parser.value(exportRows), options.exportRows)) {
        err << "vantor-bench: --export-rows takes whole numbers separated by commas\n";
        return 2;
    }
    bool ok = true;
    if (parser.isSet(runs))
        options.runs = parser.value(runs).toInt(&ok);
    if (ok && parser.isSet(exportRuns))
        options.exportRuns = parser.value(exportRuns).toInt(&ok);
    if (ok && parser.isSet(reportRuns))
        options.reportRuns = parser.value(reportRuns).toInt(&ok);
    if (!ok || options.runs < 1 || options.exportRuns < 1 || options.reportRuns < 1) {
        err << "vantor-bench: --runs, --export-runs and --report-runs take a whole number from 1\n";
        return 2;
    }
    if (parser.isSet(officeRuns))
        options.officeRuns = parser.value(officeRuns).toInt(&ok);
    if (parser.isSet(officeTimeout))
        options.officeTimeout = parser.value(officeTimeout).toDouble(&ok);
    if (!ok || options.officeRuns < 1 || options.officeTimeout <= 0) {
        err << "vantor-bench: --office-runs and --office-timeout take positive numbers\n";
        return 2;
    }
    options.office = !parser.isSet(noOffice);
    if (parser.isSet(vantor))
        options.vantor = parser.value(vantor);
    if (!parser.isSet(noServer))
        options.serverScript = QStringLiteral(VANTOR_PGSERVER_SCRIPT);
    options.dataDir = parser.isSet(dataDir)
        ? parser.value(dataDir)
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    return vantor::bench::runBenchmarks(options);
}
