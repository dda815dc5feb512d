#pragma once

#include <recordslocation.h>

#include <QString>
#include <QStringList>

namespace vantor {

// The rules that can name the records, strongest first: the first one that names a location wins.
enum class LocationRule { CommandLine, UserSetting, MachineSetting, BesideProgram, DataFolder };

// What the rule looks at. The caller gathers it (main.cpp from the real command line, settings
// and folders), so that each input can be set on its own.
struct LocationSources {
    QString commandLine; // --database, as typed; empty when not given
    QString userSetting; // the location in the user's settings; empty when unset
    QString userSettingsFile;
    QString machineSetting; // the location in the machine's settings; empty when unset
    QString machineSettingsFile;
    QString programDir; // where the executable lies
    QString dataDir; // the user's data folder, ~/.local/share/Vantor
};

struct LocationChoice {
    RecordsLocation location;
    LocationRule rule = LocationRule::DataFolder;
    QString settingsFile; // the file that named it, for the two settings rules

    // Whether the records should be asked for rather than reported missing when the file is
    // not there: only a location the user typed for this run is taken at its word.
    bool asksWhenMissing() const { return rule != LocationRule::CommandLine; }
};

// The one rule by which the window and every command find the records.
LocationChoice chooseLocation(const LocationSources& sources);

// Which rule chose the location, in words, for --show-location.
QString describeChoice(const LocationChoice& choice);

} // namespace vantor
