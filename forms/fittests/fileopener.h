#pragma once

#include <QString>

namespace vantor {

// Starts the desktop's program for `mimeType` (the user's choice, or what the system's
// packages registered) on `file`; false where there is none, its program is gone, or it could
// not be started. Does not wait for the program.
bool openFileOnDesktop(const QString& file, const QString& mimeType);

} // namespace vantor
