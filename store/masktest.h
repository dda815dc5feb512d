#pragma once

#include "connection.h"
#include "storeerror.h"

#include <QString>
#include <QStringList>

namespace vantor::masktest {

// The table of mask test records and its fourteen fields, in the table's order.
inline const QString TableName = QStringLiteral("MT");
QStringList fieldNames();

// The file name of the records file in the program's directory.
inline const QString DatabaseFileName = QStringLiteral("MaskTest.mdb");

// Checks that an open connection holds table MT with all fourteen fields.
StoreError verifySchema(Connection& connection);

// Creates a new records file with table MT and its indexes, filled with `sampleCount`
// invented members. Refuses to touch a file that already exists.
StoreError createDatabase(const QString& path, int sampleCount = 0, quint32 seed = 1);

} // namespace vantor::masktest
