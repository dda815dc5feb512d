#pragma once

#include <recordslocation.h>

#include <QString>
#include <QStringList>

namespace vantor {

// The rules that can name the records, strongest first: the first one that names a location wins.
enum class LocationRule { CommandLine, UserSetting, MachineSetting, BesideProgram, DataFolder };

// A location read from a settings file. `problem` says why a file that exists could not be
// read; a file that does not exist is no problem, just no setting.
struct Setting {
    QString location; // empty when the file names none
    QString file;
    QString problem;
};

// What the rule looks at. The caller gathers it (main.cpp from the real command line, settings
// and folders), so that each input can be set on its own.
struct LocationSources {
    QString commandLine; // --database, as typed; empty when not given
    Setting userSetting;
    Setting machineSetting;
    QString programDir; // where the executable lies
    QString dataDir; // the user's data folder, ~/.local/share/Vantor
};

struct LocationChoice {
    RecordsLocation location;
    LocationRule rule = LocationRule::DataFolder;
    QString settingsFile; // the file that named it, for the two settings rules
    // The problems of the settings files the rule looked at on its way: one it never reached
    // (a broken machine's file where the user's own names the records) costs no message.
    QStringList problems;

    // Whether the records should be asked for rather than reported missing when the file is
    // not there: only a location the user typed for this run is taken at its word.
    bool asksWhenMissing() const { return rule != LocationRule::CommandLine; }
};

// The one rule by which the window and every command find the records.
LocationChoice chooseLocation(const LocationSources& sources);

// Which rule chose the location, in words, for --show-location.
QString describeChoice(const LocationChoice& choice);

} // namespace vantor
