#pragma once

#include "locationrule.h"
#include "settings.h"

#include <dialogservice.h>
#include <frmmasktesting.h>

#include <memory>
#include <optional>

namespace vantor {

// The buttons of the question asked where a setting or a default names no records file.
enum FirstRunButton { CreateButton, OpenButton, QuitButton };

// Asks what to do about the missing records file the rule chose until the user has a file or
// quits: create a new, empty one there (the default), open an existing one, or quit. A new
// file is made only on the user's word; `dataDir` is the one folder it may make for it.
std::optional<RecordsLocation> askForRecords(DialogService& dialogs, const LocationChoice& missing,
                                             const QString& dataDir);

// How the records window comes up: the location rule's choice, the first-run question where
// the records are missing, the window's own load step, and the answer remembered.
class WindowStart
{
public:
    WindowStart(DialogService& dialogs, settings::Paths paths);

    // Problems met while reading the settings, shown once before anything else.
    void setSettingsProblems(QStringList problems) { m_problems = std::move(problems); }

    // The loaded window, or null when the program ends: exitCode() then says how.
    std::unique_ptr<frmMaskTesting> open(const LocationChoice& choice);
    int exitCode() const { return m_exitCode; }

private:
    void reportSettingsProblem(const QString& problem);

    DialogService& m_dialogs;
    settings::Paths m_paths;
    QStringList m_problems;
    bool m_problemShown = false;
    int m_exitCode = 0;
};

} // namespace vantor
