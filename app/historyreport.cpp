#include "commands.h"

#include <exporttoexcel.h>
#include <fittests.h>
#include <historyexport.h>
#include <masktest.h>
#include <newfile.h>
#include <schema.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantor::commands {

int historyReport(const RecordsLocation& location, const QString& since, const QString& outputPath, QTextStream& out,
                  QTextStream& err)
{
    const std::optional<QDate> from = since.isEmpty() ? std::optional<QDate>() : fittests::parseTypedDate(since);
    if (!since.isEmpty() && !from) {
        complain(err, Text::tr("--since needs a date such as 2026-03-01 or 3/1/2026, not '%1'").arg(since));
        return 2;
    }
    if (outputPath.isEmpty()) {
        complain(err, Text::tr("--report needs --output FILE.xlsx"));
        return 2;
    }
    if (!outputPath.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        complain(err,
                 Text::tr("the report is an .xlsx workbook: name the output FILE.xlsx, not %1")
                     .arg(QDir::toNativeSeparators(outputPath)));
        return 2;
    }
    const QFileInfo output(outputPath);
    const QString directory = output.absolutePath();
    if (output.isDir() || !QFileInfo(directory).isDir()) {
        complain(err,
                 Text::tr("the output %1 cannot be written: it is a folder, or its folder does not exist")
                     .arg(QDir::toNativeSeparators(outputPath)));
        return 1;
    }
    Connection connection;
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = masktest::verifySchema(connection);
    if (!error)
        error = schema::requireHistory(connection, location);
    qint64 written = 0;
    try {
        const auto publish = [&](const QString& file) {
            QString reason;
            if (!newfile::replace(file, outputPath, &reason)) {
                QFile::remove(file);
                throw spreadsheet::Error(Text::tr("the workbook cannot be saved as %1: %2")
                                             .arg(QDir::toNativeSeparators(outputPath), reason));
            }
        };
        if (!error)
            error = history::exportHistory(
                connection, from ? from->toString(Qt::ISODate) : QString(),
                xlsxFileHost(directory, publish, u'.' + output.fileName(), WorkbookFile::Requested), written);
    } catch (const spreadsheet::Error& failure) {
        complain(err, failure.message());
        return 1;
    }
    if (error) {
        complain(err,
                 Text::tr("the history cannot be written from %1: %2").arg(location.displayName(), describe(error)));
        return 1;
    }
    out << (written == 1 ? Text::tr("History: %1 entry, written to %2")
                         : Text::tr("History: %1 entries, written to %2"))
               .arg(QString::number(written), QDir::toNativeSeparators(outputPath))
        << '\n';
    return 0;
}

} // namespace vantor::commands
