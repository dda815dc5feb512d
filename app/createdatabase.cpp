#include "commands.h"

#include <masktest.h>

namespace vantor::commands {

int createDatabase(const RecordsLocation& location, int sampleCount, QTextStream& out, QTextStream& err)
{
    if (const StoreError error = masktest::createDatabase(location, sampleCount)) {
        complain(err, describe(error));
        return 1;
    }
    // On a server the database was there already: what is new is its table.
    const QString created = location.isServer()
        ? (sampleCount == 1 ? Text::tr("Created table MT in %1 with %2 record.")
                            : Text::tr("Created table MT in %1 with %2 records."))
        : (sampleCount == 1 ? Text::tr("Created %1 with %2 record.") : Text::tr("Created %1 with %2 records."));
    out << created.arg(location.displayName(), QString::number(sampleCount)) << '\n';
    return 0;
}

} // namespace vantor::commands
