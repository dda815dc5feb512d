#include "commands.h"

#include <legacyimport.h>

namespace vantor::commands {

int importLegacy(const QString& source, const RecordsLocation& target, QTextStream& out, QTextStream& err)
{
    qsizetype rows = 0;
    if (const StoreError error = legacy::convertFile(source, target.filePath(), &rows)) {
        complain(err, describe(error));
        return 1;
    }
    const QString converted = rows == 1 ? Text::tr("Converted %1 record from %2 into %3.")
                                        : Text::tr("Converted %1 records from %2 into %3.");
    out << converted.arg(QString::number(rows), source, target.displayName()) << '\n';
    return 0;
}

} // namespace vantor::commands
