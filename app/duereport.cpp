#include "commands.h"

#include <dueexport.h>
#include <exporttoexcel.h>
#include <newfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantor::commands {

int dueReport(const RecordsLocation& location, const QString& within, const QString& outputPath, QTextStream& out,
              QTextStream& err)
{
    bool ok = within.isEmpty();
    const int days = within.isEmpty() ? 30 : within.toInt(&ok);
    if (!ok || days < 0 || days > 999) {
        complain(err, Text::tr("--within needs a number of days from 0 to 999, not '%1'").arg(within));
        return 2;
    }
    if (outputPath.isEmpty()) {
        complain(err, Text::tr("--report needs --output FILE.xlsx"));
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
    const due::DueList list = due::runDueList(location, due::groups().first(), days, QDate::currentDate());
    if (list.error) {
        complain(err,
                 Text::tr("the list cannot be made from %1: %2").arg(location.displayName(), describe(list.error)));
        return 1;
    }
    // Written under a name of its own beside the output, which it replaces only when complete.
    try {
        const auto publish = [&](const QString& file) {
            QString reason;
            if (!newfile::replace(file, outputPath, &reason)) {
                QFile::remove(file);
                throw spreadsheet::Error(Text::tr("the workbook cannot be saved as %1: %2")
                                             .arg(QDir::toNativeSeparators(outputPath), reason));
            }
        };
        due::exportDueList(list, xlsxFileHost(directory, publish, u'.' + output.fileName(), WorkbookFile::Requested));
    } catch (const spreadsheet::Error& error) {
        complain(err, error.message());
        return 1;
    }
    const QString listed = list.members.size() == 1 ? Text::tr("%1: %2 member, written to %3")
                                                    : Text::tr("%1: %2 members, written to %3");
    out << listed.arg(due::dueTitle(list), QString::number(list.members.size()), QDir::toNativeSeparators(outputPath))
        << '\n';
    return 0;
}

} // namespace vantor::commands
