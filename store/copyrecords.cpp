#include "copyrecords.h"

#include "connection.h"
#include "masktest.h"
#include "recordset.h"

#include <QFile>
#include <QFileInfo>

namespace vantor::masktest {

namespace {

StoreError openRecords(Connection& connection, const RecordsLocation& location)
{
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = verifySchema(connection);
    return error;
}

// Inserts every row of `records` into `target`'s MT, the fourteen fields in their order.
StoreError insertAll(RecordSet& records, Connection& target, qsizetype& count)
{
    const QString insert = insertStatement(*target.engine());
    const int fields = int(fieldNames().size());
    QList<int> positions;
    for (const QString& name : fieldNames())
        positions << records.fieldIndex(name);
    QVariantList values(fields);
    for (StoreError error = records.moveFirst(); !error && !records.eof(); error = records.moveNext()) {
        for (int f = 0; f < fields; ++f) {
            StoreError readError;
            values[f] = records.value(positions.at(f), &readError);
            if (readError)
                return readError;
        }
        if (StoreError insertError = target.execute(insert, values))
            return insertError;
        ++count;
    }
    return {};
}

StoreError copyInto(const RecordsLocation& source, const RecordsLocation& target, qsizetype* copied)
{
    Connection from;
    if (StoreError error = openRecords(from, source))
        return error;
    RecordSet records;
    // Without an ORDER BY both engines read in the order of the row key: the source's order.
    if (StoreError error = records.open(QStringLiteral("SELECT * FROM ") + TableName, from))
        return error;

    Connection to;
    if (StoreError error = openRecords(to, target))
        return error;
    qsizetype count = 0;
    const StoreError error = to.transaction([&]() -> StoreError {
        StoreError failure;
        if (countRecords(to, failure) != 0 && !failure)
            failure = StoreError::make(
                FileExists,
                QStringLiteral("The table MT of %1 already holds records; records are copied only into an empty one, "
                               "and these are left as they are.")
                    .arg(to.dataSource()));
        if (!failure)
            failure = insertAll(records, to, count);
        // What was read, what the source holds and what the target holds now must all agree.
        StoreError countError;
        if (!failure
            && (count != records.recordCount() || countRecords(from, countError) != count
                || countRecords(to, countError) != count))
            failure = countError ? countError
                                 : StoreError::make(EngineFailure,
                                                    QStringLiteral("The records changed while they were copied (%1 "
                                                                   "read): nothing was copied. Copy them again when no "
                                                                   "one is working on them.")
                                                        .arg(count));
        return failure;
    });
    if (error)
        return error;
    if (copied)
        *copied = count;
    return {};
}

} // namespace

StoreError copyRecords(const RecordsLocation& source, const RecordsLocation& target, qsizetype* copied)
{
    const bool create = target.isFile() && !QFileInfo::exists(target.filePath());
    if (create) {
        if (StoreError error = createDatabase(target))
            return error;
    }
    const StoreError error = copyInto(source, target, copied);
    if (error && create)
        QFile::remove(target.filePath()); // only what this call made
    return error;
}

} // namespace vantor::masktest
