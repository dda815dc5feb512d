#include "commands.h"

#include <copyrecords.h>

namespace vantor::commands {

int copyRecords(const RecordsLocation& source, const RecordsLocation& target, QTextStream& out, QTextStream& err)
{
    qsizetype rows = 0;
    if (const StoreError error = masktest::copyRecords(source, target, &rows)) {
        err << "vantor: " << error.description << " (error " << error.number << ")\n";
        return 1;
    }
    out << "Copied " << rows << (rows == 1 ? " record" : " records") << " from " << source.displayName() << " into "
        << target.displayName() << ".\n";
    return 0;
}

} // namespace vantor::commands
