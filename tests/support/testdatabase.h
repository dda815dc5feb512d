#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

namespace vantor::test {

// One row of table MT: the fourteen values in the table's field order; a null is an
// invalid QVariant.
using Row = QList<QVariant>;

// A row from field names to texts; fields not named are null.
Row row(const QMap<QString, QVariant>& values);

// Creates MaskTest.mdb (or `fileName`) in `directory` with the given rows, through the
// store's own schema; returns its path. Fails the calling test on error.
QString createDatabase(const QString& directory, const QList<Row>& rows,
                       const QString& fileName = QStringLiteral("MaskTest.mdb"));

// Every row of MT in the file, in storage order, read with a connection of its own
// (not through the store), so that a test sees what is really on disk.
QList<Row> readRows(const QString& path);

// Runs one statement on the file outside the store (as another program would).
bool execute(const QString& path, const QString& sql, const QVariantList& values = {});

// The calendar year by SQLite's clock, as the store's queries compare it.
QString storeYear();

} // namespace vantor::test
