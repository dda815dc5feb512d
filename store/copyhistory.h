#pragma once

#include "connection.h"
#include "storeerror.h"

// What a copy of the records carries beside them: every row with the hidden key it had, so
// that the history's entries still name their records, and the history itself, its chain as
// it was.
namespace vantor::history {

// An INSERT of `rows` rows of `table`, each its hidden key followed by `columns`, as `engine`
// takes a key that is given rather than handed out.
QString insertWithKeys(const Engine& engine, const QString& table, const QStringList& columns, int rows = 1);
// After rows came in with their keys, the engine hands out keys past the highest of them.
StoreError followKeys(Connection& connection, const QString& table);

// Refuses a target whose history holds entries: two histories do not make one chain.
StoreError requireEmptyHistory(Connection& to);

// Copies the history of `from` into `to`, inside the transaction open on `to`, whose records
// were just copied with their keys and whose triggers are set aside. Entries keep their numbers,
// texts and seals; those an outside change left unsealed are sealed on the way. Records that
// kept no history begin theirs at the target, one entry each, naming `sourceName`.
StoreError copyHistory(Connection& from, Connection& to, const QString& sourceName);

} // namespace vantor::history
