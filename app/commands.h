#pragma once

#include <QTextStream>

namespace vantor::commands {

// `vantor --create-database PATH [--sample N]`: exit status of the command.
int createDatabase(const QString& path, int sampleCount, QTextStream& out, QTextStream& err);

} // namespace vantor::commands
