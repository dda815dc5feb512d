#pragma once

#include <recordslocation.h>
#include <storeerror.h>

#include <QCoreApplication>
#include <QTextStream>

namespace vantor::commands {

// The translators' context of everything the program prints on the command line.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(vantor::commands)
};

// A failure of the store as the commands print it: "disk full (error 7)".
inline QString describe(const StoreError& error)
{
    return Text::tr("%1 (error %2)").arg(error.description, QString::number(error.number));
}

// Prints a failure on `err`, after the program's name, as command-line programs do.
inline void complain(QTextStream& err, const QString& message)
{
    err << "vantor: " << message << '\n';
}

// `vantor --create-database PATH [--sample N]`: exit status of the command.
int createDatabase(const RecordsLocation& location, int sampleCount, QTextStream& out, QTextStream& err);

// `vantor --import-legacy OLD.mdb --database NEW.mdb`: converts an Access file into a new
// records file, never overwriting one, or into a server database whose table MT is empty;
// exit status of the command.
int importLegacy(const QString& source, const RecordsLocation& target, QTextStream& out, QTextStream& err);

// `vantor --copy-records SOURCE --database TARGET`: every record of one store copied into
// another whose table MT is empty (a file to a server, a server to a file); exit status.
int copyRecords(const RecordsLocation& source, const RecordsLocation& target, QTextStream& out, QTextStream& err);

// `vantor --report GROUP --output FILE [--database PATH]`: the query window's list for GROUP
// (1, 2, 3, 40 or special) written as a workbook, without a window.
int report(const QString& group, const RecordsLocation& location, const QString& outputPath, QTextStream& out,
           QTextStream& err);

// `vantor --report due [--within DAYS] --output FILE`: the Fit Tests Due list of every member
// overdue or due within DAYS (30 by default), written as a workbook.
int dueReport(const RecordsLocation& location, const QString& within, const QString& outputPath, QTextStream& out,
              QTextStream& err);

// `vantor --verify-history [--database LOCATION]`: whether every entry of the history matches
// its seal, none is missing, and every record is as its latest entry left it; 1 where not.
int verifyHistory(const RecordsLocation& location, QTextStream& out, QTextStream& err);

// `vantor --report history [--since DATE] --output FILE.xlsx`: every entry of the history, or
// those from DATE on, written as a workbook.
int historyReport(const RecordsLocation& location, const QString& since, const QString& outputPath, QTextStream& out,
                  QTextStream& err);

// `vantor --upgrade-database LOCATION`: the tables of this version added to records of an
// earlier one, by the owner of a server database; exit status.
int upgradeDatabase(const RecordsLocation& location, QTextStream& out, QTextStream& err);

} // namespace vantor::commands
