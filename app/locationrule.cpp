#include "locationrule.h"

#include <masktest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {

// The translators' context of the rules' descriptions.
struct Rule {
    Q_DECLARE_TR_FUNCTIONS(vantor::LocationRule)
};

} // namespace

LocationChoice chooseLocation(const LocationSources& sources)
{
    if (!sources.commandLine.isEmpty())
        return {RecordsLocation::fromText(sources.commandLine), LocationRule::CommandLine, {}, {}};
    LocationChoice choice;
    // The user's own setting wins over the one an administrator made for the machine.
    const std::pair<const Setting*, LocationRule> settings[]
        = {{&sources.userSetting, LocationRule::UserSetting}, {&sources.machineSetting, LocationRule::MachineSetting}};
    for (const auto& [setting, rule] : settings) {
        if (!setting->problem.isEmpty())
            choice.problems << setting->problem;
        if (!setting->location.isEmpty()) {
            choice.location = RecordsLocation::fromText(setting->location);
            choice.rule = rule;
            choice.settingsFile = setting->file;
            return choice;
        }
    }
    // A copy run from its own folder (and the build tree) keeps the old program's habit; an
    // installed program has no records beside /usr/bin/vantor and falls through.
    const QString beside = QDir(sources.programDir).filePath(masktest::DatabaseFileName);
    if (!sources.programDir.isEmpty() && QFileInfo(beside).isFile()) {
        choice.location = RecordsLocation::file(beside);
        choice.rule = LocationRule::BesideProgram;
        return choice;
    }
    choice.location = RecordsLocation::file(QDir(sources.dataDir).filePath(masktest::DatabaseFileName));
    choice.rule = LocationRule::DataFolder;
    return choice;
}

QString describeChoice(const LocationChoice& choice)
{
    const QString file = QDir::toNativeSeparators(choice.settingsFile);
    switch (choice.rule) {
    case LocationRule::CommandLine: return Rule::tr("the --database option");
    case LocationRule::UserSetting: return Rule::tr("the user's setting in %1").arg(file);
    case LocationRule::MachineSetting: return Rule::tr("the machine's setting in %1").arg(file);
    case LocationRule::BesideProgram: return Rule::tr("the records file beside the program");
    case LocationRule::DataFolder: break;
    }
    return Rule::tr("the user's data folder (no option or setting names a location, and no %1 lies "
                    "beside the program)")
        .arg(masktest::DatabaseFileName);
}

} // namespace vantor
