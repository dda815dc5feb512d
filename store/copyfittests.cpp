#include "copyfittests.h"

#include "copyhistory.h"
#include "fittests.h"
#include "recordset.h"
#include "schema.h"

#include <QHash>

namespace vantor::fittests {

namespace {

// %1 is MT's hidden row key.
const QString MemberKeys = QStringLiteral(R"(SELECT %1 FROM "MT" ORDER BY %1)");
// In the order of their keys, so that the copies' keys keep their order.
const QString AllTests = QStringLiteral(R"(SELECT * FROM "FitTest")");
const QString CountTests = QStringLiteral(R"(SELECT count(*) FROM "FitTest")");
const QString ReadRecording = QStringLiteral(R"(SELECT "Bytes" FROM "FitTestRecording" WHERE "FitTest" = ?)");
const QString AddRecording = QStringLiteral(R"(INSERT INTO "FitTestRecording" ("FitTest", "Bytes") VALUES (?, ?))");

StoreError readKeys(Connection& connection, QList<qint64>& keys)
{
    QList<QVariantList> rows;
    if (StoreError error = connection.query(MemberKeys.arg(connection.engine()->rowKeyColumn()), {}, rows))
        return error;
    keys.reserve(rows.size());
    for (const QVariantList& row : std::as_const(rows))
        keys << row.value(0).toLongLong();
    return {};
}

qint64 countTests(Connection& connection, StoreError& error)
{
    QList<QVariantList> rows;
    error = connection.query(CountTests, {}, rows);
    return error || rows.isEmpty() ? -1 : rows.first().value(0).toLongLong();
}

} // namespace

StoreError copyFitTests(Connection& from, Connection& to, qsizetype* copied)
{
    if (copied)
        *copied = 0;
    int version = schema::FirstVersion;
    if (StoreError error = schema::readVersion(from, version))
        return error;
    if (version < schema::FitTestsVersion)
        return {};
    StoreError error;
    const qint64 count = countTests(from, error);
    if (error || count == 0)
        return error;
    int targetVersion = schema::FirstVersion;
    if (StoreError e = schema::readVersion(to, targetVersion))
        return e;
    if (targetVersion < schema::FitTestsVersion) {
        if (StoreError e = schema::createTablesBesideMaskTests(to))
            return e;
    }

    // The members were copied in the order of their keys, one for one.
    QList<qint64> sourceMembers, targetMembers;
    if (StoreError e = readKeys(from, sourceMembers))
        return e;
    if (StoreError e = readKeys(to, targetMembers))
        return e;
    if (sourceMembers.size() != targetMembers.size())
        return StoreError::make(EngineFailure, Text::tr("The members changed while they were copied."));
    QHash<qint64, qint64> memberOf;
    memberOf.reserve(sourceMembers.size());
    for (qsizetype i = 0; i < sourceMembers.size(); ++i)
        memberOf.insert(sourceMembers.at(i), targetMembers.at(i));

    // Read a page at a time: half a million tests never sit in memory at once.
    RecordSet tests;
    if (StoreError e = tests.open(AllTests, from))
        return e;
    const QStringList columns = testTable().columns;
    // Each test keeps its key, which the history's entries name it by.
    const QString insert
        = history::insertWithKeys(*to.engine(), TableName, columns) + QStringLiteral(" RETURNING row_key");
    const int memberField = tests.fieldIndex(column::Member);
    const int recordingField = tests.fieldIndex(column::RecordingName);
    qsizetype done = 0;
    for (StoreError e = tests.moveFirst(); !tests.eof(); e = tests.moveNext()) {
        if (e)
            return e;
        QVariantList values{tests.currentKey()};
        for (const QString& name : columns) {
            StoreError readError;
            QVariant value = tests.value(name, &readError);
            if (readError)
                return readError;
            if (name == column::Member)
                value = memberOf.value(tests.value(memberField).toLongLong());
            values << value;
        }
        QList<QVariantList> key;
        if (StoreError insertError = to.query(insert, values, key))
            return insertError;
        if (key.isEmpty())
            return StoreError::make(EngineFailure, Text::tr("A copied fit test's key could not be read back."));
        if (tests.value(recordingField).isValid()) {
            QList<QVariantList> bytes;
            if (StoreError readError = from.query(ReadRecording, {tests.currentKey()}, bytes))
                return readError;
            if (!bytes.isEmpty()) {
                if (StoreError addError = to.execute(AddRecording, {key.first().value(0), bytes.first().value(0)}))
                    return addError;
            }
        }
        ++done;
    }
    if (done != count || countTests(to, error) != count)
        return error ? error
                     : StoreError::make(EngineFailure,
                                        Text::tr("The fit tests changed while they were copied (%1 read): "
                                                 "nothing was copied.")
                                            .arg(done));
    if (copied)
        *copied = done;
    return history::followKeys(to, TableName);
}

} // namespace vantor::fittests
