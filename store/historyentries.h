#pragma once

#include "connection.h"
#include "history.h"
#include "historychain.h"
#include "textrows.h"

// The history's entries as stored, read a page at a time in the order of their numbers: what
// sealing, checking and copying the chain walk through.
namespace vantor::history {

// A row of readEntries(): its key is the entry's number, its values the columns of History in
// their order (history::columns()), as stored.
namespace entryfield {
enum : int { At, Who, Record, RecordKey, Member, Fdid, Action, Before, After, Note, Sealed, Hash, Count };
}

// Reads at most `limit` entries numbered after `after` into `rows`, which it empties first.
StoreError readEntries(Connection& connection, qint64 after, int limit, TextRows& rows);

// The chain's bytes of row `row` of `rows`; where `sealed` is given, in place of its Sealed.
void chainBytes(const TextRows& rows, qsizetype row, chain::EntryBytes& bytes, const QByteArray* sealed = nullptr);

// Reads at most `limit` rows of `table` with keys after `after`: their FDID and the record as
// its entries hold it (the same text the triggers write), in the order of their keys.
StoreError readCurrentRows(Connection& connection, const Audited& table, qint64 after, int limit, TextRows& rows);

// The number of the last entry the database handed out, even one deleted since, and on a
// server its hash (empty on a file). `kept` is false where none was ever handed out.
StoreError readHead(Connection& connection, bool& kept, qint64& entry, QByteArray& hash);

// Seals a file's entries that follow the last sealed one, each chained to the one before. Those
// numbered from `firstOwn` on were written in the caller's transaction; those before were left
// by another program, and their seal says when and by whom they were sealed late.
StoreError sealPending(Connection& connection, qint64 firstOwn);

} // namespace vantor::history
