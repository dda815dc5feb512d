#include "exportjob.h"

#include <connection.h>
#include <exporttoexcel.h>
#include <recordset.h>
#include <recordslocation.h>
#include <xlsxbook.h>

#include <QTextStream>

namespace vantor::bench {

qint64 exportRows(const QString& path, qint64 rows, const QString& directory, QString& written)
{
    QTextStream err(stderr);
    Connection connection;
    const QString connect = RecordsLocation::fromText(path).connectionString();
    connection.setConnectionString(connect);
    StoreError error = connection.open(connect, QString(), QString());
    RecordSet records;
    if (!error)
        error = records.open(QStringLiteral("SELECT * FROM MT LIMIT %1").arg(rows), connection);
    if (error) {
        err << "vantor-bench: export: " << error.description << '\n';
        return -1;
    }
    const qint64 count = records.recordCount();
    try {
        ExportToExcel(records, xlsxFileHost(directory, [&written](const QString& file) { written = file; }));
    } catch (const spreadsheet::Error& failure) {
        err << "vantor-bench: export: " << failure.message() << '\n';
        return -1;
    }
    if (written.isEmpty()) {
        err << "vantor-bench: export: no workbook was handed on\n";
        return -1;
    }
    return count;
}

} // namespace vantor::bench
