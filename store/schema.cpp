#include "schema.h"

#include "fittests.h"
#include "history.h"

namespace vantor::schema {

namespace {

const QString VersionColumn = QStringLiteral("Version");
const QString ReadVersion = QStringLiteral(R"(SELECT max("Version") FROM "VantorSchema")");
const QString MarkVersion = QStringLiteral(R"(INSERT INTO "VantorSchema" ("Version") VALUES (?))");

TableDefinition versionTable()
{
    TableDefinition table{VersionTable, {VersionColumn}};
    table.types = {{VersionColumn, TableDefinition::Type::Integer}};
    table.required = {VersionColumn};
    table.ownKey = true;
    return table;
}

} // namespace

QList<TableDefinition> tablesBesideMaskTests()
{
    return {fittests::testTable(), fittests::recordingTable(), versionTable()};
}

StoreError readVersion(Connection& connection, int& version)
{
    version = FirstVersion;
    // Asking the catalogue, not reading a table that may be missing: a failed statement
    // would end the transaction it runs in on a server.
    QStringList columns;
    if (StoreError error = connection.tableColumns(VersionTable, columns))
        return error;
    if (columns.isEmpty())
        return {};
    QList<QVariantList> rows;
    if (StoreError error = connection.query(ReadVersion, {}, rows))
        return error;
    if (!rows.isEmpty() && rows.first().value(0).isValid())
        version = std::max(FirstVersion, rows.first().value(0).toInt());
    return {};
}

StoreError upgradeFrom(Connection& connection, int version)
{
    if (version < FitTestsVersion) {
        for (const TableDefinition& table : tablesBesideMaskTests()) {
            for (const QString& sql : connection.engine()->createTableStatements(table)) {
                if (StoreError error = connection.execute(sql))
                    return error;
            }
        }
    }
    if (version < HistoryVersion) {
        if (StoreError error = history::createHistory(connection))
            return error;
        // Every record there is begins its history as it is now, in the upgrading user's name.
        if (StoreError error = history::beginWriting(connection))
            return error;
        if (StoreError error = history::startHistory(
                connection, history::action::Start,
                history::Text::tr("the history starts here: the record as it was when its records were upgraded")))
            return error;
    }
    return connection.execute(MarkVersion, {CurrentVersion});
}

StoreError createTablesBesideMaskTests(Connection& connection)
{
    return upgradeFrom(connection, FirstVersion);
}

StoreError upgrade(Connection& connection, bool* upgraded)
{
    if (upgraded)
        *upgraded = false;
    // Current records, the common case at every opening, cost a read and no transaction.
    int current = FirstVersion;
    if (StoreError error = readVersion(connection, current))
        return error;
    if (current >= CurrentVersion)
        return {};
    return connection.transaction([&]() -> StoreError {
        // Read again inside the transaction: another program may have upgraded them since.
        int version = FirstVersion;
        if (StoreError error = readVersion(connection, version))
            return error;
        if (version >= CurrentVersion)
            return {};
        if (StoreError error = upgradeFrom(connection, version))
            return error;
        if (upgraded)
            *upgraded = true;
        return {};
    });
}

QString upgradeCommand(const RecordsLocation& location)
{
    return QStringLiteral("vantor --upgrade-database \"%1\"").arg(location.text());
}

StoreError requireFitTests(Connection& connection, const RecordsLocation& location)
{
    int version = FirstVersion;
    if (StoreError error = readVersion(connection, version))
        return error;
    if (version >= FitTestsVersion)
        return {};
    if (location.isServer())
        return StoreError::make(
            TableNotFound,
            fittests::Text::tr("The records on %1 do not hold fit tests yet. The owner of the database adds the "
                               "tables for them (clerks may not) with:\n    %2\nUntil then everything else works "
                               "as before.")
                .arg(location.displayName(), upgradeCommand(location)));
    return upgrade(connection);
}

StoreError requireHistory(Connection& connection, const RecordsLocation& location)
{
    int version = FirstVersion;
    if (StoreError error = readVersion(connection, version))
        return error;
    if (version >= HistoryVersion)
        return {};
    if (location.isServer())
        return StoreError::make(
            TableNotFound,
            history::Text::tr("The records on %1 keep no history of changes yet. The owner of the database adds it "
                              "(clerks may not) with:\n    %2\nUntil then everything else works as before.")
                .arg(location.displayName(), upgradeCommand(location)));
    return upgrade(connection);
}

} // namespace vantor::schema
