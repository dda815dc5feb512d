// The first start on a machine, or a records file that has gone: ask, never guess.
#include "firstrun.h"

#include <connection.h>
#include <fileformat.h>
#include <masktest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {

// The translators' context of the first start's questions and messages.
struct FirstRun {
    Q_DECLARE_TR_FUNCTIONS(vantor::FirstRun)
};

QString recordsTitle()
{
    return FirstRun::tr("Records File");
}

QString questionFor(const LocationChoice& missing)
{
    const bool named = missing.rule == LocationRule::UserSetting || missing.rule == LocationRule::MachineSetting;
    const QString intro = named
        ? FirstRun::tr("The records file named in the settings (%1) is not there:\n%2\n\nIt may have been "
                       "moved or renamed, or it lies on a drive that is not connected.")
              .arg(QDir::toNativeSeparators(missing.settingsFile), missing.location.displayName())
        : FirstRun::tr("Vantor keeps the mask test records in a records file, and there is none yet at\n%1")
              .arg(missing.location.displayName());
    return FirstRun::tr("%1\n\nCreate a new, empty records file there, open an existing one, or quit?").arg(intro);
}

bool createRecords(DialogService& dialogs, const RecordsLocation& location, const QString& dataDir)
{
    const QString folder = QFileInfo(location.filePath()).absolutePath();
    settings::makeDataDir(folder, dataDir);
    const StoreError error = masktest::createDatabase(location);
    if (!error)
        return true;
    dialogs.message(nullptr,
                    okBox(FirstRun::tr("Vantor cannot create a records file in the folder\n%1\n\n%2\n\n"
                                       "Open an existing records file instead, or ask your "
                                       "administrator for a folder you may write to.")
                              .arg(QDir::toNativeSeparators(folder), error.description),
                          MsgIcon::Critical, recordsTitle()));
    return false;
}

// Why a file the user opened cannot serve as the records; no error where it can, an old Access
// file included (the window offers to convert it).
StoreError refusalOf(const RecordsLocation& picked)
{
    if (sniffFileKind(picked.filePath()) == FileKind::AccessJet)
        return {};
    Connection connection;
    StoreError error = connection.open(picked.connectionString());
    if (!error)
        error = masktest::verifySchema(connection);
    return error;
}

} // namespace

std::optional<RecordsLocation> askForRecords(DialogService& dialogs, const LocationChoice& missing,
                                             const QString& dataDir)
{
    const QString folder = QFileInfo(missing.location.filePath()).absolutePath();
    const ChoiceBox question{
        questionFor(missing), recordsTitle(),
        MsgIcon::Question,    {FirstRun::tr("&Create"), FirstRun::tr("&Open..."), FirstRun::tr("&Quit")},
        CreateButton,         QuitButton};
    for (;;) {
        switch (dialogs.choose(nullptr, question)) {
        case CreateButton:
            if (createRecords(dialogs, missing.location, dataDir))
                return missing.location;
            break;
        case OpenButton: {
            const QString start = QFileInfo(folder).isDir() ? folder : QDir::homePath();
            const QString chosen = dialogs.openFileName(
                nullptr,
                {FirstRun::tr("Open Records File"), start, FirstRun::tr("Records files (*.mdb);;All files (*)")});
            if (chosen.isEmpty())
                break;
            const RecordsLocation picked = RecordsLocation::file(chosen);
            const StoreError refused = refusalOf(picked);
            if (!refused)
                return picked;
            dialogs.message(nullptr,
                            okBox(FirstRun::tr("Vantor cannot open this file as its records:\n%1\n\n%2\n\n"
                                               "Choose another file, or create a new, empty one.")
                                      .arg(picked.displayName(), refused.description),
                                  MsgIcon::Exclamation, recordsTitle()));
            break;
        }
        default: return std::nullopt;
        }
    }
}

WindowStart::WindowStart(DialogService& dialogs, settings::Paths paths)
    : m_dialogs(dialogs)
    , m_paths(std::move(paths))
{
}

std::unique_ptr<frmMaskTesting> WindowStart::open(const LocationChoice& choice)
{
    for (const QString& problem : std::as_const(choice.problems))
        reportSettingsProblem(
            FirstRun::tr("%1\n\nVantor goes on without it, with the records it finds by its other rules.")
                .arg(problem));
    RecordsLocation location = choice.location;
    const bool missing = location.isFile() && !QFileInfo::exists(location.filePath());
    if (missing && !choice.asksWhenMissing()) {
        reportMissingOption(choice);
        return nullptr;
    }
    bool answered = false;
    if (missing && choice.asksWhenMissing()) {
        const std::optional<RecordsLocation> answer = askForRecords(m_dialogs, choice, m_paths.dataDir);
        if (!answer) {
            m_exitCode = 0;
            return nullptr;
        }
        location = *answer;
        answered = true;
    }
    auto window = std::make_unique<frmMaskTesting>(m_dialogs, location);
    if (!window->Form_Load()) {
        m_exitCode = 1;
        return nullptr;
    }
    // Only an answer that led to open records is worth keeping for the next start.
    if (answered) {
        const QString problem = settings::writeLocation(m_paths.userFile, location.text());
        if (!problem.isEmpty())
            reportSettingsProblem(FirstRun::tr("%1\n\nThe records are open, but Vantor will ask where they are again "
                                               "at its next start.")
                                      .arg(problem));
    }
    return window;
}

// A records file named with --database that is not there: a typing mistake or a drive not
// connected, never a reason to make one. Said in the middle of the screen, as no window is up
// yet, and on the standard error for whoever started the program from a terminal or a script.
void WindowStart::reportMissingOption(const LocationChoice& choice)
{
    const QString path = choice.location.displayName();
    m_dialogs.message(nullptr,
                      okBox(FirstRun::tr("The records file given with --database is not there:\n%1\n\n"
                                         "Check the path, or create an empty records file there with:\n"
                                         "    vantor --create-database \"%1\"")
                                .arg(path),
                            MsgIcon::Critical, recordsTitle()));
    m_failure = FirstRun::tr("the records file given with --database is not there: %1; check the path, or create an "
                             "empty one with vantor --create-database \"%1\"")
                    .arg(path);
    m_exitCode = 1;
}

void WindowStart::reportSettingsProblem(const QString& problem)
{
    if (m_problemShown)
        return;
    m_problemShown = true;
    m_dialogs.message(nullptr, okBox(problem, MsgIcon::Exclamation, FirstRun::tr("Settings")));
}

} // namespace vantor
