#include "servertimeout.h"

#include <serverwait.h>

#include <QFileInfo>
#include <QSettings>

namespace vantor::settings {

namespace {

constexpr int LongestTimeout = 3600;

int timeoutIn(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return 0;
    const QSettings settings(file, QSettings::IniFormat);
    bool ok = false;
    const int seconds = settings.value(ServerTimeoutKey).toString().trimmed().toInt(&ok);
    return ok && seconds >= 1 && seconds <= LongestTimeout ? seconds : 0;
}

} // namespace

int serverTimeout(const Paths& paths)
{
    for (const QString& file : QStringList{paths.userFile} + paths.machineFiles) {
        if (const int seconds = timeoutIn(file))
            return seconds;
    }
    return DefaultServerTimeout;
}

} // namespace vantor::settings
