#pragma once

#include "testdatabase.h"

namespace vantor::test {

// The path of a file among the Access fixtures.
QString legacyFixture(const QString& name);

// The rows of a fixture's .csv, header left out: an unquoted \N is a null, a quoted value
// is text ("" inside quotes stands for one quote).
QList<Row> readCsv(const QString& path);

// Rows as readable text, null and empty told apart: A001|\N|""|...
QStringList render(const QList<Row>& rows);

// A fixture's bytes with table MT renamed XT in the file's catalog; empty if the name is
// not found exactly once.
QByteArray renamingTableMT(QByteArray fixture);

} // namespace vantor::test
