// The history on a records file: triggers that write every entry (the sqlite3 shell's changes
// included), naming no one; this program's own connections name their user and seal (historyseal.h).
#include "historydialect.h"

namespace vantor::history::dialect {

namespace {

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
    return QStringLiteral(
               R"(INSERT INTO "History" (%1) VALUES (%2, NULL, '%3', %4rowid, %5, %4%6, '%7', %8, %9, NULL))")
        .arg(EntryColumns, Now, table.table, row, memberOf(table, row), quoted(table.fdidColumn), action, before,
             after);
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
    QList<TableDefinition> extraTables() const override { return {}; }

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
        return QStringLiteral(R"(INSERT INTO "History" (%1) SELECT %2, NULL, '%3', rowid, %4, %5, ?, NULL, %6, ? )"
                              R"(FROM %7 ORDER BY rowid)")
            .arg(EntryColumns, Now, table.table, memberOf(table, {}), quoted(table.fdidColumn), jsonOf(table, {}),
                 quoted(table.table));
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
        return QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'History'");
    }
};

} // namespace

const Dialect& sqlite()
{
    static const SqliteDialect dialect;
    return dialect;
}

} // namespace vantor::history::dialect
