#pragma once

#include <QStringList>

namespace vantor::bench {

// Runs one job in this process and prints one line "seconds=S driver=D hwm_kib=K rows=N
// first=ID turns=T dials=C": the time the job took, the time Qt took to load its SQLite driver
// before it, the peak resident set of the process, the rows the job saw and the FDID of its
// first record, so that a wrong result cannot pass for a fast one; at a distance, the round
// trips and the connections of the job's action (-1 otherwise).
//   startup DB            the records window's start-up: store opened, first record shown
//   search DB FDID        a search by FDID with the window's connection already open
//   list DB POSITION      one untested list: count known, first page of rows read, on the
//                         connection a list shown before left idle
//   export DB ROWS DIR    the first ROWS rows of MT sent to a workbook in DIR (then removed),
//                         likewise on an idle connection
//   due DB                the Fit Tests Due list of every member, 30 days ahead
//   fittests DB KEY       the Fit Tests window's opening on the member with row key KEY
//   verify DB             --verify-history's check of every entry and record
//   write DB KIND N       N saves, updates or deletes (KIND) of the records window; time per change
// Where DistanceVariable names a whole number of milliseconds, the server (a TCP location)
// is reached through a relay holding each chunk that long each way.
// Returns the process exit code.
int runJob(const QStringList& arguments);

inline constexpr char DistanceVariable[] = "VANTOR_BENCH_HOLD_MS";

// The rows of a list that the grid shows first; the job reads them all.
constexpr int FirstPageRows = 100;

} // namespace vantor::bench
