#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

class Engine;

// Rewrites a Jet SQL text of the windows for `engine`, the way the old Access store read it:
// - identifiers, bare or in brackets, become the engine's quoted names; a name of `table` or
//   of one of its `columns` takes the case it is defined with, whatever case the text uses;
// - Year(Now) is the current year by the engine's clock;
// - a column compared with a text or a value, and a column sorted on, go without regard to
//   case; a column compared with Year(Now) is compared as the number it holds, blanks
//   around it ignored, and text that holds no number is no year at all;
// - a SELECT * lists its rows in one order on every engine: ties on its ORDER BY keys, and
//   a query without one, in the order of the row key.
// Text inside string literals is left as it is.
QString translateJet(const QString& jetSql, const Engine& engine, const QString& table, const QStringList& columns);

} // namespace vantor
