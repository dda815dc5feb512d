// The history on a records file: triggers that write every entry (the sqlite3 shell's changes
// included), naming whoever this program named in HistoryWriter, or no one; the program seals.
#include "historydialect.h"

namespace vantor::history::dialect {

namespace {

// Who is writing: the one row this program puts in inside its transaction, or nothing.
const QString NamedWriter = QStringLiteral(R"((SELECT "Who" FROM "HistoryWriter" WHERE "row_key" = 1))");
// The clock of the machine that writes, in UTC, to the millisecond.
const QString Now = QStringLiteral("strftime('%Y-%m-%dT%H:%M:%fZ', 'now')");
const QString EntryColumns = QStringLiteral(R"("At", "Who", "Record", "RecordKey", "Member", "FDID", "Action", )"
                                            R"("Before", "After", "Note")");

// A row as a JSON object of its fields, `row` being "NEW.", "OLD." or nothing. A file may hold
// bytes in any field, which JSON cannot: they are kept as ["blob", "hex"].
QString jsonOf(const Audited& table, const QString& row)
{
    QStringList pairs;
    for (const QString& name : table.columns) {
        const QString value = row + quoted(name);
        pairs << QStringLiteral("'%1', CASE typeof(%2) WHEN 'blob' THEN json_array('blob', hex(%2)) ELSE %2 END")
                     .arg(name, value);
    }
    return QStringLiteral("json_object(%1)").arg(pairs.join(QStringLiteral(", ")));
}

QString memberOf(const Audited& table, const QString& row)
{
    return table.memberColumn.isEmpty() ? row + QStringLiteral("rowid") : row + quoted(table.memberColumn);
}

// The trigger's INSERT of one entry for the row `row` of `table`.
QString entryInsert(const Audited& table, const QString& row, const QString& action, const QString& before,
                    const QString& after)
{
    return QStringLiteral(R"(INSERT INTO "History" (%1) VALUES (%2, %3, '%4', %5rowid, %6, %5%7, '%8', %9, %10, NULL))")
        .arg(EntryColumns, Now, NamedWriter, table.table, row, memberOf(table, row), quoted(table.fdidColumn), action,
             before, after);
}

QStringList triggers(const Audited& table)
{
    const QString name = quoted(table.table);
    QStringList changed{QStringLiteral("OLD.rowid IS NOT NEW.rowid")};
    for (const QString& column : table.columns)
        changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(quoted(column));
    const QString newRow = jsonOf(table, QStringLiteral("NEW.")), oldRow = jsonOf(table, QStringLiteral("OLD."));
    return {
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3; END")
            .arg(objectName(table.table, "Add"), name,
                 entryInsert(table, QStringLiteral("NEW."), action::Add, QStringLiteral("NULL"), newRow)),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 WHEN %3 BEGIN %4; END")
            .arg(objectName(table.table, "Change"), name, changed.join(QStringLiteral(" OR ")),
                 entryInsert(table, QStringLiteral("NEW."), action::Change, oldRow, newRow)),
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3; END")
            .arg(objectName(table.table, "Delete"), name,
                 entryInsert(table, QStringLiteral("OLD."), action::Delete, oldRow, QStringLiteral("NULL"))),
    };
}

class SqliteDialect final : public Dialect
{
public:
    QList<TableDefinition> extraTables() const override
    {
        TableDefinition writer{WriterTable, {column::Who}};
        writer.required = {column::Who};
        writer.ownKey = true;
        return {writer};
    }

    QStringList createStatements() const override
    {
        QStringList statements;
        for (const Audited& table : audited())
            statements << triggers(table);
        return statements;
    }

    QStringList suspendStatements() const override
    {
        QStringList statements;
        for (const Audited& table : audited()) {
            for (const char* suffix : {"Add", "Change", "Delete"})
                statements << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(objectName(table.table, suffix));
        }
        return statements;
    }

    QStringList resumeStatements() const override { return createStatements(); }
    bool programSeals() const override { return true; }

    QString startStatement(const Audited& table) const override
    {
        return QStringLiteral(R"(INSERT INTO "History" (%1) SELECT %2, %3, '%4', rowid, %5, %6, ?, NULL, %7, ? )"
                              R"(FROM %8 ORDER BY rowid)")
            .arg(EntryColumns, Now, NamedWriter, table.table, memberOf(table, {}), quoted(table.fdidColumn),
                 jsonOf(table, {}), quoted(table.table));
    }

    QString currentRowsStatement(const Audited& table, int limit) const override
    {
        return QStringLiteral("SELECT rowid, %1, %2 FROM %3 WHERE rowid > ? ORDER BY rowid LIMIT %4")
            .arg(quoted(table.fdidColumn), jsonOf(table, {}), quoted(table.table))
            .arg(limit);
    }

    // AUTOINCREMENT remembers the highest number it gave, even of entries deleted since.
    QString headStatement() const override
    {
        return QStringLiteral("SELECT seq, NULL FROM sqlite_sequence WHERE name = 'History'");
    }

    QString headUpdate() const override { return {}; }

    QString keptStatement() const override
    {
        return QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'HistoryWriter'");
    }
};

} // namespace

const Dialect& sqlite()
{
    static const SqliteDialect dialect;
    return dialect;
}

} // namespace vantor::history::dialect
