#pragma once

#include "spreadsheet.h"

#include <connection.h>

// The history as a workbook: one row an entry, oldest first, as `vantor --report history` writes it.
namespace vantor::history {

// Writes the entries made from `since` on (UTC, "2026-03-01"; empty: every entry) into a new
// workbook made by `host`, and shows it: the entry's number, when (UTC), who, the record, the
// FDID, what was done, every field changed (before → after), the note and the seal. A history
// longer than a sheet, or a read that fails, returns its error and leaves no workbook; a write
// that fails throws spreadsheet::Error.
StoreError exportHistory(Connection& connection, const QString& since, const spreadsheet::Host& host, qint64& written);

} // namespace vantor::history
