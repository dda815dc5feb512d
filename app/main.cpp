#include "commands.h"

#include <dialogservice.h>
#include <frmmasktesting.h>
#include <masktest.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStyleFactory>

#include <memory>

namespace {

// Commands that run without a window, so that they work without a display.
bool isCommandLineRun(int argc, char* argv[])
{
    static const char* const commands[]
        = {"--create-database", "--import-legacy", "--report", "--help", "-h", "--help-all"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        for (const char* command : commands) {
            if (arg == command || arg.startsWith(QByteArray(command) + '='))
                return true;
        }
    }
    return false;
}

// The records the program works on when no option names them: MaskTest.mdb beside the program.
vantor::RecordsLocation besideProgram()
{
    return vantor::RecordsLocation::file(
        QDir(QCoreApplication::applicationDirPath()).filePath(vantor::masktest::DatabaseFileName));
}

int runWindow(QApplication& app)
{
    vantor::WidgetDialogService dialogs;
    vantor::frmMaskTesting window(dialogs, besideProgram());
    if (!window.Form_Load())
        return 1;
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    std::unique_ptr<QCoreApplication> app;
    if (isCommandLineRun(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(vantor::DialogService::applicationTitle());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vantor: annual respirator mask test records."));
    parser.addHelpOption();
    const QCommandLineOption createOption(QStringLiteral("create-database"),
                                          QStringLiteral("Create a new, empty records file at <path>."),
                                          QStringLiteral("path"));
    const QCommandLineOption sampleOption(QStringLiteral("sample"),
                                          QStringLiteral("With --create-database: fill it with <n> invented members."),
                                          QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption importOption(QStringLiteral("import-legacy"),
                                          QStringLiteral("Convert the old program's Access file <path> "
                                                         "into the new records file given by --database."),
                                          QStringLiteral("path"));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        QStringLiteral("Write the list of members of <group> (1, 2, 3, 40 or special) "
                       "not tested this year as a workbook."),
        QStringLiteral("group"));
    const QCommandLineOption outputOption(
        QStringLiteral("output"), QStringLiteral("With --report: the workbook file to write."), QStringLiteral("file"));
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("With --import-legacy: the records file to create. "
                                                           "With --report: the records file to read (default: "
                                                           "MaskTest.mdb beside the program)."),
                                            QStringLiteral("path"));
    parser.addOptions({createOption, sampleOption, importOption, reportOption, outputOption, databaseOption});
    parser.process(*app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(createOption)) {
        bool ok = false;
        const int samples = parser.value(sampleOption).toInt(&ok);
        if (!ok || samples < 0) {
            err << "vantor: --sample needs a whole number of records, not '" << parser.value(sampleOption) << "'\n";
            return 2;
        }
        return vantor::commands::createDatabase(vantor::RecordsLocation::fromText(parser.value(createOption)), samples,
                                                out, err);
    }
    if (parser.isSet(importOption)) {
        if (!parser.isSet(databaseOption)) {
            err << "vantor: --import-legacy needs --database NEW.mdb, the records file to create\n";
            return 2;
        }
        return vantor::commands::importLegacy(
            parser.value(importOption), vantor::RecordsLocation::fromText(parser.value(databaseOption)), out, err);
    }
    if (parser.isSet(reportOption)) {
        const vantor::RecordsLocation database = parser.isSet(databaseOption)
            ? vantor::RecordsLocation::fromText(parser.value(databaseOption))
            : besideProgram();
        return vantor::commands::report(parser.value(reportOption), database, parser.value(outputOption), out, err);
    }
    if (parser.isSet(databaseOption)) {
        err << "vantor: --database goes with --import-legacy OLD.mdb or --report GROUP\n";
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "vantor: unexpected argument '" << parser.positionalArguments().first() << "'\n";
        return 2;
    }
    auto* gui = qobject_cast<QApplication*>(app.get());
    if (!gui) {
        err << "vantor: the window needs no further arguments\n";
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    return runWindow(*gui);
}
