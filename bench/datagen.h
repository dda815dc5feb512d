#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QTextStream;
struct sqlite3;

namespace vantor::bench {

// Records files for the benchmarks, made once and kept in a data folder: table MT with the
// store's own schema and indexes, filled with `size` invented members from the sample
// generator. A file of the current year is reused as long as it is there; a new calendar
// year makes new files, since "tested this year" moves with it.
//
// Returns the path of the file, or an empty string after writing the reason to `log`.
QString ensureDatabase(const QString& dataDir, int size, QTextStream& log);

// The history's triggers, set aside while generated rows go in (each would write an entry a
// department's records never came with) and made again from their own SQL after.
QList<QByteArray> setHistoryAside(sqlite3* db, QTextStream& log, bool& ok);
bool restoreHistory(sqlite3* db, const QList<QByteArray>& triggers, QTextStream& log);

// The FDID of the record in the middle of the file, for searching.
QString middleFdid(const QString& path);

// The same rows as the export of `sql` would take, as CSV for other programs: a header
// line of field names, then the values, blanks trimmed as the export trims them.
bool ensureCsv(const QString& path, const QString& csvPath, const QString& sql, QTextStream& log);

} // namespace vantor::bench

namespace vantor::bench {

// The number of rows `sql` gives on the file, read with SQLite alone; -1 on failure.
qint64 countRows(const QString& path, const QString& sql);

} // namespace vantor::bench
