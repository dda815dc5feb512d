#pragma once

#include "connection.h"
#include "recordslocation.h"
#include "storeerror.h"

#include <QList>

// Which tables a database holds, by version, and how records of an earlier version gain
// what they lack. Version 1 is table MT alone, as every Vantor before the fit tests made
// it, and carries no mark; from version 2 on, table VantorSchema holds the version. Version 3
// keeps the history of every change (history.h).
namespace vantor::schema {

constexpr int FirstVersion = 1;
constexpr int FitTestsVersion = 2;
constexpr int HistoryVersion = 3;
constexpr int CurrentVersion = HistoryVersion;

inline const QString VersionTable = QStringLiteral("VantorSchema");

// The tables of the fit tests and of the version beside MT, in the order they are made; the
// history's are history::tables().
QList<TableDefinition> tablesBesideMaskTests();

// The version of the records an open connection reaches, read in one or two statements.
StoreError readVersion(Connection& connection, int& version);

// Makes the tables beside MT and marks the version, in the caller's transaction: the step
// that makes records of the current version from a new table MT.
StoreError createTablesBesideMaskTests(Connection& connection);
// Brings records of `version` to the current one in the caller's transaction; the history of
// their records starts here, with one entry each.
StoreError upgradeFrom(Connection& connection, int version);

// Brings records of an earlier version to this one in one transaction: a failing step
// leaves them exactly as they were. Records already current (or newer) are left alone;
// `upgraded` tells whether anything was made.
StoreError upgrade(Connection& connection, bool* upgraded = nullptr);

// What the fit-test windows need: records holding the fit tests. A records file of an
// earlier version gains them now (whoever may write the file may change it); a server's
// is its owner's to upgrade, and the error says what to run.
StoreError requireFitTests(Connection& connection, const RecordsLocation& location);

// What the History window, the history's report and its check need: records that keep a history;
// upgraded where a file, refused with the command to run where a server's.
StoreError requireHistory(Connection& connection, const RecordsLocation& location);

// The command the owner of a server database runs to upgrade it.
QString upgradeCommand(const RecordsLocation& location);

} // namespace vantor::schema
