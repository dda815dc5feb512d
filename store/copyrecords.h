#pragma once

#include "recordslocation.h"
#include "storeerror.h"

namespace vantor::masktest {

// Copies every record of table MT at `source` into `target`, in the source's order: a
// records file into a server database, a server database into a file, or any other pair.
// The target's MT must be there and empty (a file that is not there yet is created first).
// One transaction on the target, whose count must be what was read from the source before
// it commits: on any failure nothing is written, and a table that holds records is never
// touched. The fit tests and their recordings go with their members, in the same transaction
// (copyfittests.h). `copied` receives the number of records copied.
StoreError copyRecords(const RecordsLocation& source, const RecordsLocation& target, qsizetype* copied = nullptr);

} // namespace vantor::masktest
