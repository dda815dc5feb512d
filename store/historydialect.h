#pragma once

// What the history's SQL looks like on each engine: the triggers that write it, how a copy
// sets them aside, and how a record reads as the JSON object its entries hold.

#include "history.h"

namespace vantor::history::dialect {

class Dialect
{
public:
    virtual ~Dialect() = default;
    // The tables beside History that the engine needs (a file's writer, a server's head).
    virtual QList<TableDefinition> extraTables() const = 0;
    // Everything after the tables: functions, triggers, rights, the first row of a head.
    virtual QStringList createStatements() const = 0;
    virtual QStringList suspendStatements() const = 0;
    virtual QStringList resumeStatements() const = 0;
    // Whether this program seals the entries (a file), or the database does (a server).
    virtual bool programSeals() const = 0;
    // Writes a start entry for every row of `table`, in the order of their keys; takes two
    // values: the action and the note.
    virtual QString startStatement(const Audited& table) const = 0;
    // Reads the rows of `table` after a key, in the order of their keys: key, FDID, and the
    // record as its entries hold it. Takes the key as its one value.
    virtual QString currentRowsStatement(const Audited& table, int limit) const = 0;
    // The number of the last entry the database has handed out, and a server's hash of it.
    virtual QString headStatement() const = 0;
    // Sets a server's head to the last entry copied: its number and hash. Empty on a file.
    virtual QString headUpdate() const = 0;
    // The statement that tells whether the records keep a history: one row when they do.
    virtual QString keptStatement() const = 0;
};

// The dialect of `engine`; null for an engine that keeps no history.
const Dialect* of(const Engine& engine);

const Dialect& sqlite();
const Dialect& postgres();

// "column" quoted, as both engines take it.
QString quoted(const QString& name);
// The name of a table's history trigger or function: "MT_History", "MT_History_Change".
QString objectName(const QString& table, const char* suffix);

} // namespace vantor::history::dialect
