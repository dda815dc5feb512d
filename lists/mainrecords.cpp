#include "mainrecords.h"

#include "mainsql.h"

#include <masktest.h>
#include <schema.h>

namespace vantor {

MainRecords openMainRecords(const RecordsLocation& location)
{
    MainRecords store;
    store.connection = std::make_unique<Connection>();
    store.dbPath = location.displayName();
    store.connect = location.connectionString();
    store.connection->setConnectionString(store.connect);
    store.error = store.connection->open(store.connect, QString(), QString());
    if (!store.error)
        store.error = masktest::verifySchema(*store.connection);
    if (store.error)
        return store;
    // A records file of an earlier version gains the fit tests' tables as it is opened. One
    // that cannot take them now (another program writing) opens as before; the Fit Tests
    // window tries again and says why where it cannot. A server's owner upgrades it.
    if (location.isFile())
        schema::upgrade(*store.connection);

    store.records = std::make_unique<RecordSet>();
    store.sql = mainsql::StartupQuery;
    store.error = store.records->open(store.sql, *store.connection);
    return store;
}

StoreError openSearchRecords(Connection& connection, const QString& answer, std::unique_ptr<RecordSet>& found)
{
    QString sql = mainsql::SearchAll;
    QVariantList parameters;
    if (!answer.isEmpty()) {
        sql = mainsql::SearchById;
        parameters << answer; // as typed: not trimmed, case kept
    }
    auto records = std::make_unique<RecordSet>();
    // A search reads the records where they are now: where the window's records file is no
    // longer there, from whatever is at its location (or nothing), on a connection of its own.
    const StoreError error = connection.stillAtLocation()
        ? records->open(sql, connection, parameters)
        : records->open(sql, connection.connectionString(), parameters);
    if (error)
        return error;
    found = std::move(records);
    return {};
}

} // namespace vantor
