#include "commands.h"

#include <legacyimport.h>

namespace vantor::commands {

int importLegacy(const QString& source, const RecordsLocation& target, QTextStream& out, QTextStream& err)
{
    qsizetype rows = 0;
    if (const StoreError error = legacy::convertFile(source, target.filePath(), &rows)) {
        err << "vantor: " << error.description << " (error " << error.number << ")\n";
        return 1;
    }
    out << "Converted " << rows << (rows == 1 ? " record" : " records") << " from " << source << " into "
        << target.displayName() << ".\n";
    return 0;
}

} // namespace vantor::commands
