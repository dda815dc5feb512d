#include "copyrecords.h"

#include "connection.h"
#include "copyfittests.h"
#include "masktest.h"
#include "recordset.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace vantor::masktest {

namespace {

StoreError openRecords(Connection& connection, const RecordsLocation& location)
{
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = verifySchema(connection);
    return error;
}

// Inserts every row of `records` through `insert`, whose parameters are the fourteen fields.
StoreError insertAll(RecordSet& records, QSqlQuery& insert, const Connection& target, qsizetype& count)
{
    const int fields = int(fieldNames().size());
    QList<int> positions;
    for (const QString& name : fieldNames())
        positions << records.fieldIndex(name);
    for (StoreError error = records.moveFirst(); !error && !records.eof(); error = records.moveNext()) {
        for (int f = 0; f < fields; ++f) {
            StoreError readError;
            const QVariant value = records.value(positions.at(f), &readError);
            if (readError)
                return readError;
            insert.addBindValue(value.isValid() ? value : QVariant(QMetaType::fromType<QString>()));
        }
        if (!insert.exec())
            return target.engine()->mapError(insert.lastError(), target.dataSource());
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
    const Engine* engine = to.engine();
    QSqlDatabase db = to.database();
    if (!db.transaction())
        return engine->mapError(db.lastError(), to.dataSource());
    StoreError error;
    qsizetype count = 0;
    {
        if (countRecords(to, error) != 0 && !error)
            error = StoreError::make(
                FileExists,
                QStringLiteral("The table MT of %1 already holds records; records are copied only into an empty one, "
                               "and these are left as they are.")
                    .arg(to.dataSource()));
        QSqlQuery insert(db);
        if (!error)
            error = prepareInsert(to, insert);
        if (!error)
            error = insertAll(records, insert, to, count);
    }
    // What was read, what the source holds and what the target holds now must all agree.
    StoreError countError;
    if (!error
        && (count != records.recordCount() || countRecords(from, countError) != count
            || countRecords(to, countError) != count))
        error = countError ? countError
                           : StoreError::make(EngineFailure,
                                              QStringLiteral("The records changed while they were copied (%1 read): "
                                                             "nothing was copied. Copy them again when no one is "
                                                             "working on them.")
                                                  .arg(count));
    if (!error)
        error = fittests::copyFitTests(from, to);
    if (!error && !db.commit())
        error = engine->mapError(db.lastError(), to.dataSource());
    if (error) {
        db.rollback();
        return error;
    }
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
