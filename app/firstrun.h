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
// file is made only on the user's word; `dataDir` is the one folder it may make for it. A file
// opened that is not records (nor an old Access file to convert) is refused with its reason,
// and the question comes again.
std::optional<RecordsLocation> askForRecords(DialogService& dialogs, const LocationChoice& missing,
                                             const QString& dataDir);

// How the records window comes up: the location rule's choice, the first-run question where
// the records are missing, the window's own load step, and the answer remembered.
class WindowStart
{
public:
    WindowStart(DialogService& dialogs, settings::Paths paths);

    // The loaded window, or null when the program ends: exitCode() then says how. The choice's
    // settings problems are shown once before anything else.
    std::unique_ptr<frmMaskTesting> open(const LocationChoice& choice);
    int exitCode() const { return m_exitCode; }
    // Why the window did not come up, in one line for the standard error, where the program
    // started from a command line had a mistake of its own to report; empty otherwise.
    QString failure() const { return m_failure; }

private:
    void reportMissingOption(const LocationChoice& choice);
    void reportSettingsProblem(const QString& problem);

    DialogService& m_dialogs;
    settings::Paths m_paths;
    bool m_problemShown = false;
    int m_exitCode = 0;
    QString m_failure;
};

} // namespace vantor
