#pragma once

// How this program seals a file's history as it writes it. The file's own triggers write the
// entries (the sqlite3 shell's changes too) naming no one; on this program's connections a
// trigger of the connection's own (TEMP) follows every entry written and names this program's
// user and seals the entry, with two functions this program gives every SQLite connection it
// opens: the writer, and the chain's SHA-256, which SQLite lacks. The entry is sealed by the
// statement that wrote it, in its transaction.

#include "connection.h"

namespace vantor::history::seal {

// Readies `connection`, to a file, once: `kept` tells whether the file keeps a history at all.
StoreError prepare(Connection& connection, bool& kept);

// Whether `error` is the connection's trigger refusing to seal an entry after one another
// program left unsealed: those are sealed first (sealOutstanding()), then the change is made again.
bool isOutstanding(const StoreError& error);

// Seals, late, the entries another program left unsealed at the end of the chain; in the
// caller's transaction.
StoreError sealOutstanding(Connection& connection);

} // namespace vantor::history::seal
