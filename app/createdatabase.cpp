#include "commands.h"

#include <masktest.h>

namespace vantor::commands {

int createDatabase(const QString& path, int sampleCount, QTextStream& out, QTextStream& err)
{
    if (const StoreError error = masktest::createDatabase(path, sampleCount)) {
        err << "vantor: " << error.description << " (error " << error.number << ")\n";
        return 1;
    }
    out << "Created " << path << " with " << sampleCount << (sampleCount == 1 ? " record.\n" : " records.\n");
    return 0;
}

} // namespace vantor::commands
