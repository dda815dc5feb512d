#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Where a list's workbook lies before it is shown, and what it is called.
namespace vantor {

// The name a list's workbook goes by, "Not tested 2026-12-06 - 1 Unit": which list, which day.
QString workbookBaseName(const QString& listName, const QDate& day);

// Removes the list workbooks (named as above or as earlier versions named them, with the host's
// suffix) that this user left in `directory` more than a day before `now`: the spreadsheet
// program has long read them. Returns how many went.
int removeStaleWorkbooks(const QString& directory, const QDateTime& now);

} // namespace vantor
