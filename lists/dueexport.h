#pragma once

#include "duelist.h"
#include "spreadsheet.h"

namespace vantor::due {

// Writes the due list into a new workbook made by `host` and shows it, as the untested lists
// are written and printed: a red, bold heading row repeated on every page, the list's title
// at the top of every page, the day printed and the page at the bottom, gridlines,
// landscape, one page across. Throws spreadsheet::Error where a step fails.
void exportDueList(const DueList& list, const spreadsheet::Host& host);

// The workbook's name: "Fit tests due 2027-01-30 - All members".
QString dueWorkbookName(const DueList& list);

} // namespace vantor::due
