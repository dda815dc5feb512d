#pragma once

#include "spreadsheet.h"

#include <recordset.h>

#include <functional>
#include <vector>

namespace vantor {

// What the printout says about the list, and how a long export reports how far it got.
struct ExportOptions {
    QString listName = {}; // "1 Unit", named with the year in the page header; empty: no header
    int year = 0; // the calendar year the list's members were not tested in
    qint64 progressEvery = 500; // rows
    // Called every `progressEvery` rows with the rows written so far; false cancels the export.
    std::function<bool(qint64 rows)> progress = {};
};

// A value longer than a cell holds, written cut to fit.
struct CutValue {
    qint64 row = 0; // on the sheet
    QString record; // the record's FDID
    QString field;
};

struct ExportResult {
    bool cancelled = false; // then no workbook was made or shown
    std::vector<CutValue> cut;
};

// Copies the record set, from its current record to its end, into a new workbook made by
// `host`, formats the sheet for printing and shows the workbook. Leaves the record set at its
// end; neither closes it nor its connection. Throws spreadsheet::Error where a step fails. An
// export that is cancelled or fails leaves no workbook, and the record set where it found it.
ExportResult ExportToExcel(RecordSet& rs, const spreadsheet::Host& host, const ExportOptions& options = {});

// The printed page header of a list: "Not tested in 2026 — 1 Unit".
QString printedTitle(const QString& listName, int year);

// The values that were cut, as "A001 (Last), A002 (First)"; past `named` of them, how many more.
QString describeCutValues(const std::vector<CutValue>& cut, int named = 10);

// Who may read a workbook's file. A temporary one, left for the spreadsheet program, is the
// user's alone (mode 0600); one the user asked for is made as any program makes a new file.
enum class WorkbookFile { Temporary, Requested };

// A spreadsheet host whose new workbooks are .xlsx files, each under a new name of its own
// in `directory`, starting with `baseName`; `show` receives every finished file.
spreadsheet::Host xlsxFileHost(const QString& directory, std::function<void(const QString& fileName)> show,
                               const QString& baseName = QStringLiteral("Untested personnel"),
                               WorkbookFile file = WorkbookFile::Temporary);

} // namespace vantor
