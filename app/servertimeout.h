#pragma once

#include "settings.h"

namespace vantor::settings {

// How long Vantor waits for a database server's answer before it gives up, in whole seconds:
//     [server]
//     timeout=15
inline const QString ServerTimeoutKey = QStringLiteral("server/timeout");

// The user's setting, else the machine's, else the store's default; a value that is not a
// whole number of seconds from 1 to 3600 counts as none.
int serverTimeout(const Paths& paths);

} // namespace vantor::settings
