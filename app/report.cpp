#include "commands.h"

#include <exporttoexcel.h>
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

} // namespace

int report(const QString& group, const RecordsLocation& location, const QString& outputPath, QTextStream& out,
           QTextStream& err)
{
    const int position = positionOf(group);
    if (position < 0) {
        err << "vantor: unknown group '" << group << "'; choose one of 1, 2, 3, 40, special\n";
        return 2;
    }
    if (outputPath.isEmpty()) {
        err << "vantor: --report needs --output FILE.xlsx\n";
        return 2;
    }
    const QFileInfo output(outputPath);
    if (output.isDir()) {
        err << "vantor: the output " << QDir::toNativeSeparators(outputPath) << " is a folder, not a file\n";
        return 1;
    }
    const QString directory = output.absolutePath();
    if (!QFileInfo(directory).isDir()) {
        err << "vantor: the folder " << QDir::toNativeSeparators(directory) << " of the output does not exist\n";
        return 1;
    }

    // The report walks the whole list once, front to back: one pass over the table.
    UntestedQuery run = runUntestedQuery(location, position, Reading::AllAtOnce);
    if (run.error) {
        err << "vantor: the list cannot be made from " << location.displayName() << ": " << run.error.description
            << " (error " << run.error.number << ")\n";
        return 1;
    }
    const qsizetype rows = run.records->recordCount();

    // The workbook is written beside the output under a name of its own and takes the
    // output's name only when it is complete, so a failed run never leaves half a file.
    QString failure;
    ExportResult result;
    try {
        const spreadsheet::Host host = xlsxFileHost(directory, [&](const QString& file) {
            QFile::remove(outputPath);
            if (!QFile::rename(file, outputPath)) {
                QFile::remove(file);
                throw spreadsheet::Error(
                    QStringLiteral("the workbook cannot be saved as %1").arg(QDir::toNativeSeparators(outputPath)));
            }
            // A report is for others to read, unlike the private temporary name it was written under.
            QFile::setPermissions(outputPath,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        });
        result = ExportToExcel(*run.records, host, {run.listName, run.year});
    } catch (const spreadsheet::Error& error) {
        failure = error.message();
    }
    if (!failure.isEmpty()) {
        err << "vantor: " << failure << '\n';
        return 1;
    }
    // The list is printed all the same; whoever reads the log learns whose values to shorten.
    if (!result.cut.empty())
        err << "vantor: " << qint64(result.cut.size()) << (result.cut.size() == 1 ? " value was" : " values were")
            << " longer than a cell holds (" << spreadsheet::MaxCellText
            << " characters) and cut to fit: " << describeCutValues(result.cut) << '\n';
    out << querysql::entries().at(position) << ": " << rows << (rows == 1 ? " member" : " members")
        << " not tested this year, written to " << QDir::toNativeSeparators(outputPath) << '\n';
    return 0;
}

} // namespace vantor::commands
