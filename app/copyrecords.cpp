#include "commands.h"

#include <copyrecords.h>

namespace vantor::commands {

int copyRecords(const RecordsLocation& source, const RecordsLocation& target, QTextStream& out, QTextStream& err)
{
    qsizetype rows = 0;
    if (const StoreError error = masktest::copyRecords(source, target, &rows)) {
        complain(err, describe(error));
        return 1;
    }
    const QString copied
        = rows == 1 ? Text::tr("Copied %1 record from %2 into %3.") : Text::tr("Copied %1 records from %2 into %3.");
    out << copied.arg(QString::number(rows), source.displayName(), target.displayName()) << '\n';
    return 0;
}

} // namespace vantor::commands
