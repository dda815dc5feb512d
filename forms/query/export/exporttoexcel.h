#pragma once

#include "spreadsheet.h"

#include <recordset.h>

namespace vantor {

// Copies the record set, from its current record to its end, into a new workbook made by
// `host`, formats the sheet for printing and shows the workbook. Leaves the record set at its end; neither closes it
// nor its connection. Throws spreadsheet::Error where a step fails; the steps before it have been done.
void ExportToExcel(RecordSet& rs, const spreadsheet::Host& host);

// A spreadsheet host whose new workbooks are .xlsx files, each under a new name of its own
// in `directory`; `show` receives every finished file.
spreadsheet::Host xlsxFileHost(const QString& directory, std::function<void(const QString& fileName)> show);

} // namespace vantor
