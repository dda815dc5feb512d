#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace vantor::settings {

namespace {

// The translators' context of the problems with settings files.
struct Settings {
    Q_DECLARE_TR_FUNCTIONS(vantor::settings)
};

const QString FolderName = QStringLiteral("Vantor");
const QString FileName = QStringLiteral("Vantor.conf");

QString statusText(QSettings::Status status)
{
    return status == QSettings::FormatError ? Settings::tr("it is not a settings file Vantor can read")
                                            : Settings::tr("access denied, or the disk failed");
}

} // namespace

Paths Paths::standard()
{
    // GenericConfigLocation is the user's folder followed by the machine's ($XDG_CONFIG_DIRS).
    QStringList configDirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    Paths paths;
    paths.userFile = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                         .filePath(FolderName + u'/' + FileName);
    configDirs.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    for (const QString& dir : std::as_const(configDirs))
        paths.machineFiles << QDir(dir).filePath(FolderName + u'/' + FileName);
    // Not AppDataLocation: with the organisation set, that would be ~/.local/share/Vantor/Vantor.
    paths.dataDir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(FolderName);
    return paths;
}

Setting readLocation(const QString& file)
{
    Setting setting{{}, file, {}};
    if (!QFileInfo::exists(file))
        return setting;
    const QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError || !QFileInfo(file).isFile()) {
        setting.problem = Settings::tr("The settings file %1 cannot be read: %2.")
                              .arg(QDir::toNativeSeparators(file), statusText(settings.status()));
        return setting;
    }
    setting.location = settings.value(LocationKey).toString().trimmed();
    return setting;
}

Setting readLocation(const QStringList& files)
{
    QString problem;
    for (const QString& file : files) {
        Setting setting = readLocation(file);
        if (problem.isEmpty())
            problem = setting.problem;
        if (!setting.location.isEmpty()) {
            setting.problem = problem;
            return setting;
        }
    }
    return {{}, {}, problem};
}

QString writeLocation(const QString& file, const QString& location)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(LocationKey, location);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return {};
    return Settings::tr("The settings file %1 cannot be saved: %2.")
        .arg(QDir::toNativeSeparators(file), statusText(settings.status()));
}

void makeDataDir(const QString& folder, const QString& dataDir)
{
    if (QDir::cleanPath(folder) != QDir::cleanPath(dataDir) || QFileInfo::exists(dataDir))
        return;
    if (QDir().mkpath(QFileInfo(dataDir).absolutePath()))
        QDir().mkdir(dataDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

LocationSources gatherSources(const QString& commandLine, const Paths& paths, const QString& programDir)
{
    LocationSources sources;
    sources.commandLine = commandLine;
    sources.programDir = programDir;
    sources.dataDir = paths.dataDir;
    sources.userSetting = readLocation(paths.userFile);
    sources.machineSetting = readLocation(paths.machineFiles);
    return sources;
}

} // namespace vantor::settings
