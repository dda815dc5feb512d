#include "commands.h"

#include <exporttoexcel.h>
#include <newfile.h>
#include <querysql.h>
#include <untestedquery.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantor::commands {

namespace {

// The groups of the query window's list, as named on the command line.
int positionOf(const QString& group)
{
    static const QStringList groups{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("40"),
                                    QStringLiteral("special")};
    return int(groups.indexOf(group.trimmed().toLower()));
}

// The store names the records in most of its failures; they are named once.
QString cannotList(const RecordsLocation& location, const StoreError& error)
{
    const QString name = location.displayName();
    StoreError shown = error;
    if (shown.description.startsWith(name + QStringLiteral(": ")))
        shown.description.remove(0, name.size() + 2);
    if (shown.description.contains(name))
        return Text::tr("the list cannot be made: %1").arg(describe(shown));
    return Text::tr("the list cannot be made from %1: %2").arg(name, describe(shown));
}

} // namespace

int report(const QString& group, const RecordsLocation& location, const QString& outputPath, QTextStream& out,
           QTextStream& err)
{
    const int position = positionOf(group);
    if (position < 0) {
        complain(err, Text::tr("unknown group '%1'; choose one of 1, 2, 3, 40, special").arg(group));
        return 2;
    }
    if (outputPath.isEmpty()) {
        complain(err, Text::tr("--report needs --output FILE.xlsx"));
        return 2;
    }
    const QFileInfo output(outputPath);
    if (output.isDir()) {
        complain(err, Text::tr("the output %1 is a folder, not a file").arg(QDir::toNativeSeparators(outputPath)));
        return 1;
    }
    const QString directory = output.absolutePath();
    if (!QFileInfo(directory).isDir()) {
        complain(err, Text::tr("the folder %1 of the output does not exist").arg(QDir::toNativeSeparators(directory)));
        return 1;
    }
    // The workbook is an .xlsx file; under another name (list.xls) the program that opens it
    // would take it for what its name says and refuse it, or the user would.
    if (!outputPath.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        complain(err,
                 Text::tr("the report is an .xlsx workbook: name the output FILE.xlsx, not %1")
                     .arg(QDir::toNativeSeparators(outputPath)));
        return 2;
    }

    // The report walks the whole list once, front to back: one pass over the table.
    UntestedQuery run = runUntestedQuery(location, position, Reading::AllAtOnce);
    if (run.error) {
        complain(err, cannotList(location, run.error));
        return 1;
    }
    const qsizetype rows = run.records->recordCount();

    // The workbook is written beside the output under a name of its own and takes the
    // output's name only when it is complete, so a failed run never leaves half a file.
    QString failure;
    ExportResult result;
    try {
        // Made with the permissions of any new file, it replaces last night's report in one step.
        const auto publish = [&](const QString& file) {
            QString reason;
            if (!newfile::replace(file, outputPath, &reason)) {
                QFile::remove(file);
                throw spreadsheet::Error(Text::tr("the workbook cannot be saved as %1: %2")
                                             .arg(QDir::toNativeSeparators(outputPath), reason));
            }
        };
        const spreadsheet::Host host
            = xlsxFileHost(directory, publish, u'.' + output.fileName(), WorkbookFile::Requested);
        result = ExportToExcel(*run.records, host, {run.listName, run.year});
    } catch (const spreadsheet::Error& error) {
        failure = error.message();
    }
    if (!failure.isEmpty()) {
        complain(err, failure);
        return 1;
    }
    // The list is printed all the same; whoever reads the log learns whose values to shorten.
    if (!result.cut.empty()) {
        const QString cut = result.cut.size() == 1
            ? Text::tr("%1 value was longer than a cell holds (%2 characters) and cut to fit: %3")
            : Text::tr("%1 values were longer than a cell holds (%2 characters) and cut to fit: %3");
        complain(err,
                 cut.arg(QString::number(result.cut.size()), QString::number(spreadsheet::MaxCellText),
                         describeCutValues(result.cut)));
    }
    const QString listed = rows == 1 ? Text::tr("%1: %2 member not tested this year, written to %3")
                                     : Text::tr("%1: %2 members not tested this year, written to %3");
    out << listed.arg(querysql::entries().at(position), QString::number(rows), QDir::toNativeSeparators(outputPath))
        << '\n';
    return 0;
}

} // namespace vantor::commands
