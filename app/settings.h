#pragma once

#include "locationrule.h"

#include <QString>
#include <QStringList>

namespace vantor::settings {

// Both settings files name the records the same way, as an INI group and key:
//     [records]
//     location=/srv/vantor/MaskTest.mdb
inline const QString LocationKey = QStringLiteral("records/location");

// Where the program's own files are. The folders are named after the program in both
// places: ~/.config/Vantor/Vantor.conf and ~/.local/share/Vantor/.
struct Paths {
    QString userFile; // $XDG_CONFIG_HOME/Vantor/Vantor.conf
    QStringList machineFiles; // $XDG_CONFIG_DIRS/Vantor/Vantor.conf (/etc/xdg), strongest first
    QString dataDir; // $XDG_DATA_HOME/Vantor

    static Paths standard();
};

using vantor::Setting;

Setting readLocation(const QString& file);
// The first of `files` that names a location; the first problem met on the way.
Setting readLocation(const QStringList& files);

// Remembers `location` in the user's settings, keeping whatever else the file holds. The
// problem, or the empty text once it is on the disk.
QString writeLocation(const QString& file, const QString& location);

// Makes the user's data folder, private as XDG asks, when `folder` is that folder and it is
// missing: the one folder Vantor makes by itself.
void makeDataDir(const QString& folder, const QString& dataDir);

// The rule's inputs from these files and folders: both settings files are read, each with the
// problem that kept it from being read, and the rule alone decides which of them counts.
LocationSources gatherSources(const QString& commandLine, const Paths& paths, const QString& programDir);

} // namespace vantor::settings
