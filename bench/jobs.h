#pragma once

#include <QStringList>

namespace vantor::bench {

// Runs one job in this process and prints one line "seconds=S driver=D hwm_kib=K rows=N
// first=ID": the time the job took, the time Qt took to load its SQLite driver before it, the
// peak resident set of the process, the rows the job saw and the FDID of its first record,
// so that a wrong result cannot pass for a fast one.
//   startup DB            the records window's start-up: store opened, first record shown
//   search DB FDID        a search by FDID with the window's connection already open
//   list DB POSITION      one untested list: count known, first page of rows read
//   export DB ROWS DIR    the first ROWS rows of MT sent to a workbook in DIR (then removed)
//   due DB                the Fit Tests Due list of every member, 30 days ahead
//   fittests DB KEY       the Fit Tests window's opening on the member with row key KEY
//   verify DB             --verify-history's check of every entry and record
//   write DB KIND N       N saves, updates or deletes (KIND) of the records window; time per change
// Returns the process exit code.
int runJob(const QStringList& arguments);

// The rows of a list that the grid shows first; the job reads them all.
constexpr int FirstPageRows = 100;

} // namespace vantor::bench
