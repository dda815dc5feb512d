#include "copyrecords.h"

#include "connection.h"
#include "copyfittests.h"
#include "copyhistory.h"
#include "history.h"
#include "masktest.h"
#include "recordset.h"
#include "schema.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace vantor::masktest {

namespace {

// The fields of a file's records whose stored bytes a record set would not hand back as they
// are: a BLOB (read as text) or text that is not UTF-8 (read with U+FFFD in place of what it
// cannot decode). Text of ASCII characters alone, with no NUL to hide more after it, is left
// out without a look; the rest is checked here, byte by byte.
const QString FileValuesToCheckSql = QStringLiteral("SELECT rowid, %1 FROM \"MT\" WHERE %2 ORDER BY rowid");
const QString FileValueSql = QStringLiteral("typeof(\"%1\"), CAST(\"%1\" AS BLOB)");
const QString FileValueSuspectSql
    = QStringLiteral("typeof(\"%1\") = 'blob' OR length(CAST(\"%1\" AS BLOB)) <> length(\"%1\") OR \"%1\" GLOB ?");
// SQLite reads any byte past ASCII, valid UTF-8 or not, as a character above U+007F.
const QString BeyondAscii = QStringLiteral("*[^") + QChar(1) + QStringLiteral("-") + QChar(0x7f) + QStringLiteral("]*");
// A record's place in the order it is copied in, for a message.
const QString FilePositionSql = QStringLiteral("SELECT count(*) FROM \"MT\" WHERE rowid <= ?");

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// "ID" as a message shows it: a value no one can mistake, control characters included.
QString shownId(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("none");
    QString id = value.toString();
    for (QChar& c : id) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return u'"' + id + u'"';
}

StoreError refuseRecord(qint64 position, const QVariant& id, const QString& why)
{
    return StoreError::make(InvalidArgument,
                            QStringLiteral("Record %1 of table MT (FDID %2) cannot be copied exactly: %3 Nothing was "
                                           "copied.")
                                .arg(position)
                                .arg(shownId(id), why));
}

// A records file can hold what no record set reads back exactly; such a record is named
// before anything is written.
StoreError checkFileValues(Connection& from)
{
    const QStringList names = fieldNames();
    QStringList values, suspects;
    for (const QString& name : names) {
        values << FileValueSql.arg(name);
        suspects << FileValueSuspectSql.arg(name);
    }
    QList<QVariantList> rows;
    if (StoreError error
        = from.query(FileValuesToCheckSql.arg(values.join(u','), suspects.join(QStringLiteral(" OR "))),
                     QVariantList(names.size(), BeyondAscii), rows))
        return error;
    for (const QVariantList& row : std::as_const(rows)) {
        for (int f = 0; f < int(names.size()); ++f) {
            const QString type = row.value(1 + 2 * f).toString();
            QString why;
            if (type == u"blob")
                why = QStringLiteral("its field %1 holds binary data (a BLOB), not text.");
            else if (type == u"text" && !isUtf8(row.value(2 + 2 * f).toByteArray()))
                why = QStringLiteral("its field %1 holds text that is not valid UTF-8.");
            if (why.isEmpty())
                continue;
            const qint64 key = row.value(0).toLongLong();
            QVariant number;
            if (from.readValue(FilePositionSql, {key}, number))
                number = key;
            const QVariant id = row.value(1).toString() == u"text"
                ? QVariant(QString::fromUtf8(row.value(2).toByteArray()))
                : QVariant();
            return refuseRecord(number.toLongLong(), id, why.arg(names.at(f)));
        }
    }
    return {};
}

StoreError openRecords(Connection& connection, const RecordsLocation& location)
{
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = verifySchema(connection);
    return error;
}

// Inserts every row of `records` into `target`'s MT, its key and the fourteen fields in their
// order: the history's entries name their records by key. A value the target cannot store as
// it is (a NUL on a server) stops the copy at its record.
StoreError insertAll(RecordSet& records, Connection& target, qsizetype& count)
{
    const QStringList names = fieldNames();
    const QString insert = history::insertWithKeys(*target.engine(), TableName, names);
    QList<int> positions;
    for (const QString& name : names)
        positions << records.fieldIndex(name);
    QVariantList values(names.size() + 1);
    for (StoreError error = records.moveFirst(); !error && !records.eof(); error = records.moveNext()) {
        values[0] = records.currentKey();
        for (qsizetype f = 0; f < names.size(); ++f) {
            StoreError readError;
            QVariant& value = values[f + 1];
            value = records.value(positions.at(f), &readError);
            if (readError)
                return readError;
            if (const StoreError refused = target.engine()->acceptValue(names.at(f), value))
                return refuseRecord(count + 1, values.at(1), refused.description);
        }
        if (StoreError insertError = target.execute(insert, values))
            return insertError;
        ++count;
    }
    return {};
}

// A server database without table MT gets it in the copy's own transaction, as a new file gets
// it before the copy: a failed copy leaves the database as it found it.
StoreError prepareTarget(Connection& to)
{
    QStringList columns;
    if (StoreError error = to.tableColumns(TableName, columns))
        return error;
    if (columns.isEmpty() && to.engine()->isServer()) {
        StoreError error = createTable(to);
        return error ? error : schema::createTablesBesideMaskTests(to);
    }
    if (StoreError error = verifySchema(to))
        return error;
    StoreError error;
    if (countRecords(to, error) != 0 && !error)
        error = StoreError::make(
            FileExists,
            QStringLiteral("The table MT of %1 already holds records; records are copied only into an empty one, "
                           "and these are left as they are.")
                .arg(to.dataSource()));
    // Empty records of an earlier version gain what this one keeps, in the copy's transaction.
    int version = schema::FirstVersion;
    if (!error)
        error = schema::readVersion(to, version);
    if (!error && version < schema::CurrentVersion)
        error = schema::upgradeFrom(to, version);
    return error ? error : history::requireEmptyHistory(to);
}

StoreError copyInto(const RecordsLocation& source, const RecordsLocation& target, qsizetype* copied)
{
    Connection from;
    if (StoreError error = openRecords(from, source))
        return error;
    if (!from.engine()->isServer()) {
        if (StoreError error = checkFileValues(from))
            return error;
    }
    RecordSet records;
    // Without an ORDER BY both engines read in the order of the row key: the source's order.
    if (StoreError error = records.open(QStringLiteral("SELECT * FROM ") + TableName, from))
        return error;

    Connection to;
    if (StoreError error = to.open(target.connectionString()))
        return error;
    qsizetype count = 0;
    const StoreError error = to.transaction([&]() -> StoreError {
        StoreError failure = prepareTarget(to);
        // The source's history comes with its records: the target's triggers would write a second one.
        if (!failure)
            failure = history::suspendTriggers(to);
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
        if (!failure)
            failure = history::followKeys(to, TableName);
        if (!failure)
            failure = fittests::copyFitTests(from, to);
        if (!failure)
            failure = history::copyHistory(from, to, source.displayName());
        if (!failure)
            failure = history::resumeTriggers(to);
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
