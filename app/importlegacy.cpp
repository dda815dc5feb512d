#include "commands.h"

#include <copyrecords.h>
#include <legacyimport.h>
#include <masktest.h>

#include <QTemporaryDir>

namespace vantor::commands {

namespace {

// A server takes the converted records the way it takes any others: converted into a file of
// their own first, which is then copied in one transaction.
StoreError convertToServer(const QString& source, const RecordsLocation& target, qsizetype* rows)
{
    QTemporaryDir staging;
    if (!staging.isValid())
        return StoreError::make(
            AccessDenied, QStringLiteral("No temporary folder for the conversion: %1").arg(staging.errorString()));
    const QString converted = staging.filePath(masktest::DatabaseFileName);
    if (StoreError error = legacy::convertFile(source, converted, rows))
        return error;
    return masktest::copyRecords(RecordsLocation::file(converted), target, rows);
}

} // namespace

int importLegacy(const QString& source, const RecordsLocation& target, QTextStream& out, QTextStream& err)
{
    qsizetype rows = 0;
    const StoreError error = target.isServer() ? convertToServer(source, target, &rows)
                                               : legacy::convertFile(source, target.filePath(), &rows);
    if (error) {
        complain(err, describe(error));
        return 1;
    }
    const QString converted = rows == 1 ? Text::tr("Converted %1 record from %2 into %3.")
                                        : Text::tr("Converted %1 records from %2 into %3.");
    out << converted.arg(QString::number(rows), source, target.displayName()) << '\n';
    return 0;
}

} // namespace vantor::commands
