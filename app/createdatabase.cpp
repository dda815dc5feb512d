#include "commands.h"

#include <masktest.h>

namespace vantor::commands {

int createDatabase(const RecordsLocation& location, int sampleCount, QTextStream& out, QTextStream& err)
{
    if (const StoreError error = masktest::createDatabase(location, sampleCount)) {
        err << "vantor: " << error.description << " (error " << error.number << ")\n";
        return 1;
    }
    out << "Created " << location.displayName() << " with " << sampleCount
        << (sampleCount == 1 ? " record.\n" : " records.\n");
    return 0;
}

} // namespace vantor::commands
