#pragma once

#include "testdatabase.h"

#include <QStringList>

namespace vantor::test {

// The path of a file among the Access fixtures.
QString legacyFixture(const QString& name);

// The rows of a fixture's .csv, header left out: an unquoted \N is a null, a quoted value
// is text ("" inside quotes stands for one quote).
QList<Row> readCsv(const QString& path);

// One row as readable text, null and empty told apart: A001|\N|""|...
QString render(const Row& row);
QStringList render(const QList<Row>& rows);

QByteArray fileBytes(const QString& path);

// A fixture's bytes with table MT renamed XT in the file's catalog; empty if the name is
// not found exactly once.
QByteArray renamingTableMT(QByteArray fixture);

} // namespace vantor::test
