#pragma once

#include <QString>

class QTextStream;

namespace vantor::bench {

// A copy of the records file `members` with five fit tests a member on average (three to
// seven, about one a year, the latest within the last fifteen months, one in ten failed),
// made once and kept beside it in the data folder. Returns its path, or an empty string
// after writing the reason to `log`.
QString ensureFitTests(const QString& dataDir, int size, const QString& members, QTextStream& log);

// The hidden row key of a member in the middle of the file that has tests, for opening its
// tests; 0 on failure.
qint64 middleMemberWithTests(const QString& path);

} // namespace vantor::bench
