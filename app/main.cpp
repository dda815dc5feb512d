#include "commands.h"
#include "firstrun.h"
#include "locationrule.h"
#include "servertimeout.h"
#include "settings.h"

#include <dialogservice.h>
#include <serverwait.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStyleFactory>

#include <algorithm>
#include <memory>

namespace {

using vantor::commands::complain;
using vantor::commands::Text;

// The options' names are the program's interface and stay as they are; their descriptions and
// the names of their values are read by people.
struct Options {
    QCommandLineOption create{QStringLiteral("create-database"),
                              Text::tr("Create new, empty records at <location>: a records file, never "
                                       "overwriting one, or table MT in an existing server database "
                                       "(postgresql://...), never where one is already there."),
                              Text::tr("location")};
    QCommandLineOption sample{QStringLiteral("sample"),
                              Text::tr("With --create-database: fill it with <n> invented members."), Text::tr("n"),
                              QStringLiteral("0")};
    QCommandLineOption import{QStringLiteral("import-legacy"),
                              Text::tr("Convert the old program's Access file <path> into the new records file "
                                       "given by --database, or into its server database's empty table MT."),
                              Text::tr("path")};
    QCommandLineOption copy{QStringLiteral("copy-records"),
                            Text::tr("Copy every record at <location> into the records given by --database, "
                                     "whose table MT must be empty (a file to a server, or back)."),
                            Text::tr("location")};
    QCommandLineOption report{QStringLiteral("report"),
                              Text::tr("Write the list of members of <group> (1, 2, 3, 40 or special) not "
                                       "tested this year as a workbook (with --output); or, for the group due, "
                                       "every member due for a fit test; or, for history, every change recorded."),
                              Text::tr("group")};
    QCommandLineOption output{QStringLiteral("output"), Text::tr("With --report: the workbook file to write."),
                              Text::tr("file")};
    QCommandLineOption within{QStringLiteral("within"),
                              Text::tr("With --report due: members due within <days> (30 unless given), and "
                                       "everyone overdue."),
                              Text::tr("days")};
    QCommandLineOption since{QStringLiteral("since"),
                             Text::tr("With --report history: the entries from <date> on (2026-03-01 or 3/1/2026)."),
                             Text::tr("date")};
    QCommandLineOption verify{QStringLiteral("verify-history"),
                              Text::tr("Check that the history of every change is whole: every entry as it was "
                                       "sealed, none missing, every record as its latest entry left it.")};
    QCommandLineOption upgrade{QStringLiteral("upgrade-database"),
                               Text::tr("Add the tables this version keeps (the fit tests, the history of changes) to "
                                        "records of an earlier version at <location>, as the owner of a server "
                                        "database."),
                               Text::tr("location")};
    QCommandLineOption database{QStringLiteral("database"),
                                Text::tr("The records to open (the window, --report) or to fill "
                                         "(--import-legacy, --copy-records): a records file, or a server "
                                         "database as postgresql://[user@]host[:port]/dbname[?sslmode=...] "
                                         "or host=... dbname=...; "
                                         "never a password, which comes from ~/.pgpass. Without it the "
                                         "settings decide; see --show-location."),
                                Text::tr("location")};
    QCommandLineOption showLocation{QStringLiteral("show-location"),
                                    Text::tr("Print the records file that would be opened, and which rule "
                                             "chose it.")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.setApplicationDescription(Text::tr("Vantor: annual respirator mask test records."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {create, sample, import, copy, report, output, within, since, verify, upgrade, database, showLocation});
    }
};

// Everything but the window, alone or with --database, runs without a display; so do
// mistakes, which are reported rather than ending in the display's abort.
bool runsWithoutWindow(const QStringList& arguments)
{
    QCommandLineParser parser;
    Options().addTo(parser);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty())
        return true;
    const QStringList names = parser.optionNames();
    return std::any_of(names.begin(), names.end(), [](const QString& name) { return name != u"database"; });
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Options that mean something only beside another one; alone they are a mistake.
int checkCompanions(const QCommandLineParser& parser, const Options& options, QTextStream& err)
{
    const std::pair<const QCommandLineOption*, const QCommandLineOption*> companions[]
        = {{&options.sample, &options.create},
           {&options.output, &options.report},
           {&options.within, &options.report},
           {&options.since, &options.report}};
    for (const auto& [option, needs] : companions) {
        if (parser.isSet(*option) && !parser.isSet(*needs)) {
            complain(err,
                     Text::tr("--%1 goes with --%2 %3")
                         .arg(option->names().first(), needs->names().first(), needs->valueName().toUpper()));
            return 2;
        }
    }
    return 0;
}

vantor::LocationChoice chooseLocation(const QString& commandLine, const vantor::settings::Paths& paths)
{
    return vantor::chooseLocation(
        vantor::settings::gatherSources(commandLine, paths, QCoreApplication::applicationDirPath()));
}

// A command line the parser cannot read is a usage error like any other: the program's name
// in lower case, as every other message has it, and status 2.
int complainOfParse(const QCommandLineParser& parser, QTextStream& err)
{
    const QStringList unknown = parser.unknownOptionNames();
    complain(err,
             unknown.isEmpty() ? parser.errorText()
                               : Text::tr("unknown option '%1'; see vantor --help").arg(unknown.first()));
    return 2;
}

int showLocation(const vantor::LocationChoice& choice, QTextStream& out)
{
    const bool missing = choice.location.isFile() && !QFileInfo::exists(choice.location.filePath());
    const QString chosen = missing ? Text::tr("chosen by %1; no records file is there yet") : Text::tr("chosen by %1");
    out << choice.location.displayName() << '\n' << chosen.arg(vantor::describeChoice(choice)) << '\n';
    return 0;
}

int runWindow(QApplication& app, const vantor::LocationChoice& choice, const vantor::settings::Paths& paths,
              QTextStream& err)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Lets a desktop match the window with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantor.Vantor"));
    vantor::WidgetDialogService dialogs;
    vantor::WindowStart start(dialogs, paths);
    const std::unique_ptr<vantor::frmMaskTesting> window = start.open(choice);
    if (!window) {
        if (!start.failure().isEmpty())
            complain(err, start.failure());
        return start.exitCode();
    }
    window->show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(vantor::DialogService::applicationTitle());
    QCoreApplication::setOrganizationName(vantor::DialogService::applicationTitle());
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
    std::unique_ptr<QCoreApplication> app;
    if (runsWithoutWindow(argumentsOf(argc, argv)))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);

    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(QCoreApplication::arguments()))
        return complainOfParse(parser, err);
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(); // ends the program with status 0
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (const int status = checkCompanions(parser, options, err))
        return status;
    if (!parser.positionalArguments().isEmpty()) {
        complain(err, Text::tr("unexpected argument '%1'").arg(parser.positionalArguments().first()));
        return 2;
    }
    const vantor::settings::Paths paths = vantor::settings::Paths::standard();
    // The window and every command give up on a server that does not answer within it.
    vantor::setServerTimeout(vantor::settings::serverTimeout(paths));
    if (parser.isSet(options.create)) {
        bool ok = false;
        const int samples = parser.value(options.sample).toInt(&ok);
        if (!ok || samples < 0) {
            complain(err,
                     Text::tr("--sample needs a whole number of records, not '%1'").arg(parser.value(options.sample)));
            return 2;
        }
        const auto location = vantor::RecordsLocation::fromText(parser.value(options.create));
        if (location.isFile())
            vantor::settings::makeDataDir(QFileInfo(location.filePath()).absolutePath(), paths.dataDir);
        return vantor::commands::createDatabase(location, samples, out, err);
    }
    if (parser.isSet(options.upgrade))
        return vantor::commands::upgradeDatabase(vantor::RecordsLocation::fromText(parser.value(options.upgrade)), out,
                                                 err);
    if (parser.isSet(options.copy)) {
        if (!parser.isSet(options.database)) {
            complain(err, Text::tr("--copy-records needs --database TARGET, the records to copy into"));
            return 2;
        }
        return vantor::commands::copyRecords(vantor::RecordsLocation::fromText(parser.value(options.copy)),
                                             vantor::RecordsLocation::fromText(parser.value(options.database)), out,
                                             err);
    }
    if (parser.isSet(options.import)) {
        if (!parser.isSet(options.database)) {
            complain(err, Text::tr("--import-legacy needs --database NEW.mdb, the records file to create"));
            return 2;
        }
        return vantor::commands::importLegacy(
            parser.value(options.import), vantor::RecordsLocation::fromText(parser.value(options.database)), out, err);
    }

    const vantor::LocationChoice choice = chooseLocation(parser.value(options.database), paths);
    if (auto* gui = qobject_cast<QApplication*>(app.get()))
        return runWindow(*gui, choice, paths, err);
    for (const QString& problem : std::as_const(choice.problems))
        complain(err, Text::tr("%1 It is left out.").arg(problem));
    if (parser.isSet(options.showLocation))
        return showLocation(choice, out);
    if (parser.isSet(options.verify))
        return vantor::commands::verifyHistory(choice.location, out, err);
    if (parser.isSet(options.since) && parser.value(options.report).trimmed().toLower() != u"history") {
        complain(err, Text::tr("--since goes with --report history"));
        return 2;
    }
    if (parser.isSet(options.report) && parser.value(options.report).trimmed().toLower() == u"history")
        return vantor::commands::historyReport(choice.location, parser.value(options.since),
                                               parser.value(options.output), out, err);
    if (parser.isSet(options.report) && parser.value(options.report).trimmed().toLower() == u"due")
        return vantor::commands::dueReport(choice.location, parser.value(options.within), parser.value(options.output),
                                           out, err);
    if (parser.isSet(options.report))
        return vantor::commands::report(parser.value(options.report), choice.location, parser.value(options.output),
                                        out, err);
    complain(err, Text::tr("nothing to do; see vantor --help"));
    return 2;
}
