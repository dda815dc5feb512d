#pragma once

#include <QString>

namespace vantor::bench {

// Send to Excel of the first `rows` rows of MT: the query window's connection and record
// set opened on them, then the export into a workbook file in `directory`. Sets `written`
// to the workbook's file name and returns the rows the record set held, or -1 after
// writing the reason to standard error.
qint64 exportRows(const QString& path, qint64 rows, const QString& directory, QString& written);

} // namespace vantor::bench
