#pragma once

#include <recordslocation.h>

#include <QTextStream>

namespace vantor::commands {

// `vantor --create-database PATH [--sample N]`: exit status of the command.
int createDatabase(const RecordsLocation& location, int sampleCount, QTextStream& out, QTextStream& err);

// `vantor --import-legacy OLD.mdb --database NEW.mdb`: converts an Access file into a new
// records file, never overwriting one, or into a server database whose table MT is empty;
// exit status of the command.
int importLegacy(const QString& source, const RecordsLocation& target, QTextStream& out, QTextStream& err);

// `vantor --copy-records SOURCE --database TARGET`: every record of one store copied into
// another whose table MT is empty (a file to a server, a server to a file); exit status.
int copyRecords(const RecordsLocation& source, const RecordsLocation& target, QTextStream& out, QTextStream& err);

// `vantor --report GROUP --output FILE [--database PATH]`: the query window's list for GROUP
// (1, 2, 3, 40 or special) written as a workbook, without a window.
int report(const QString& group, const RecordsLocation& location, const QString& outputPath, QTextStream& out,
           QTextStream& err);

} // namespace vantor::commands
