#pragma once

#include "connection.h"
#include "recordslocation.h"
#include "storeerror.h"

#include <QString>
#include <QStringList>

namespace vantor::masktest {

// The table of mask test records and its fourteen fields, in the table's order.
inline const QString TableName = QStringLiteral("MT");
QStringList fieldNames();
// Table MT as a new database gets it: the fourteen fields and the indexes the windows search by.
TableDefinition table();

// The file name of the records file in the program's directory.
inline const QString DatabaseFileName = QStringLiteral("MaskTest.mdb");

// Lays out table MT and its indexes on `connection`, in the transaction the caller holds.
StoreError createTable(Connection& connection);

// A Jet SQL text of the windows, which name table MT and its fields in any case, in the
// engine's own dialect.
QString translate(const Engine& engine, const QString& jetSql);

// The statement that adds one record to MT, for Connection::execute: its fourteen fields
// bound in the order of fieldNames().
QString insertStatement(const Engine& engine);

// The records of MT, counted by the engine itself; -1 after a failure, which `error` holds.
qint64 countRecords(Connection& connection, StoreError& error);

// Checks that an open connection holds table MT with all fourteen fields.
StoreError verifySchema(Connection& connection);

// Creates the records at a new location: table MT and its indexes, filled with
// `sampleCount` invented members. Refuses to touch records that are already there.
StoreError createDatabase(const RecordsLocation& location, int sampleCount = 0, quint32 seed = 1);

} // namespace vantor::masktest
