// The history on a server: one function, its owner's and no one else's to call, appends and
// seals every entry under the lock of the chain's head; the tables' triggers call it for every
// row changed, whoever changes it. Clerks hold no right on the history but to read it.
#include "historydialect.h"

namespace vantor::history::dialect {

namespace {

const QString Append = QStringLiteral(R"("History_Append")");

// A field as the chain hashes it (historychain.h): its length in bytes, a colon and the text,
// or N for a null.
QString chained(const QString& text)
{
    return QStringLiteral("coalesce(octet_length(convert_to(%1, 'UTF8'))::text || ':' || %1, 'N')").arg(text);
}

QString appendFunction()
{
    const QStringList fields{chained(QStringLiteral(R"(("Entry" + 1)::text)")),
                             chained(QStringLiteral("v_at")),
                             chained(QStringLiteral("v_who")),
                             chained(QStringLiteral("p_record")),
                             chained(QStringLiteral("p_key::text")),
                             chained(QStringLiteral("p_member::text")),
                             chained(QStringLiteral("p_fdid")),
                             chained(QStringLiteral("p_action")),
                             chained(QStringLiteral("p_before")),
                             chained(QStringLiteral("p_after")),
                             chained(QStringLiteral("p_note")),
                             QStringLiteral("'N'")};
    // The head's row is the lock: a second writer waits for the first to commit, then chains
    // onto its last entry. The entries are numbered here, without a gap: a sequence would
    // leave one for every transaction taken back.
    return QStringLiteral(
               R"(CREATE FUNCTION %1(p_record text, p_key bigint, p_member bigint, p_fdid text, p_action text, )"
               R"(p_before text, p_after text, p_note text) RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER )"
               R"(SET search_path FROM CURRENT AS $$ )"
               R"(DECLARE v_at text := to_char(statement_timestamp() AT TIME ZONE 'UTC', )"
               R"('YYYY-MM-DD"T"HH24:MI:SS.MS"Z"'); v_who text := session_user; v_entry bigint; v_hash text; )"
               R"(BEGIN UPDATE "HistoryHead" SET "Entry" = "Entry" + 1, "Hash" = encode(sha256(CASE WHEN "Hash" ~ )"
               R"('^[0-9a-f]{64}$' THEN decode("Hash", 'hex') ELSE sha256(convert_to("Hash", 'UTF8')) END )"
               R"(|| convert_to(%2, 'UTF8')), 'hex') RETURNING "Entry", "Hash" INTO v_entry, v_hash; )"
               R"(IF v_entry IS NULL THEN RAISE EXCEPTION 'The history has lost its head row: no change can be )"
               R"(recorded.'; END IF; )"
               R"(INSERT INTO "History" ("row_key", "At", "Who", "Record", "RecordKey", "Member", "FDID", "Action", )"
               R"("Before", "After", "Note", "Sealed", "Hash") OVERRIDING SYSTEM VALUE VALUES (v_entry, v_at, v_who, )"
               R"(p_record, p_key, p_member, p_fdid, p_action, p_before, p_after, p_note, NULL, v_hash); )"
               R"(RETURN v_entry; END$$)")
        .arg(Append, fields.join(QStringLiteral(" || ")));
}

// A row as a JSON object of its fields, as compact as a file's json_object() writes it.
QString jsonOf(const Audited& table, const QString& row)
{
    QStringList fields;
    for (const QString& name : table.columns)
        fields << QStringLiteral("%1.%2 AS %2").arg(row, quoted(name));
    return QStringLiteral("(SELECT row_to_json(r)::text FROM (SELECT %1) r)").arg(fields.join(QStringLiteral(", ")));
}

QString appendCall(const Audited& table, const QString& row, const QString& action, const QString& before,
                   const QString& after)
{
    const QString member
        = table.memberColumn.isEmpty() ? row + QStringLiteral(".row_key") : row + u'.' + quoted(table.memberColumn);
    return QStringLiteral("PERFORM %1('%2', %3.row_key, %4, %3.%5, '%6', %7, %8, NULL);")
        .arg(Append, table.table, row, member, quoted(table.fdidColumn), action, before, after);
}

QStringList triggers(const Audited& table)
{
    const QString function = objectName(table.table, "");
    const QString oldRow = jsonOf(table, QStringLiteral("OLD")), newRow = jsonOf(table, QStringLiteral("NEW"));
    return {
        QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM "
                       "CURRENT AS $$BEGIN IF TG_OP = 'INSERT' THEN %2 ELSIF TG_OP = 'UPDATE' THEN %3 ELSE %4 END IF; "
                       "RETURN NULL; END$$")
            .arg(function, appendCall(table, QStringLiteral("NEW"), action::Add, QStringLiteral("NULL"), newRow),
                 appendCall(table, QStringLiteral("NEW"), action::Change, oldRow, newRow),
                 appendCall(table, QStringLiteral("OLD"), action::Delete, oldRow, QStringLiteral("NULL"))),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR DELETE ON %2 FOR EACH ROW EXECUTE FUNCTION %1()")
            .arg(function, quoted(table.table)),
        // An update that changes nothing is no change: the function is not even called.
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 FOR EACH ROW WHEN (OLD.* IS DISTINCT FROM NEW.*) "
                       "EXECUTE FUNCTION %3()")
            .arg(objectName(table.table, "Change"), quoted(table.table), function),
    };
}

class PostgresDialect final : public Dialect
{
public:
    QList<TableDefinition> extraTables() const override
    {
        TableDefinition head{HeadTable, {QStringLiteral("Entry"), column::Hash}};
        head.types = {{QStringLiteral("Entry"), TableDefinition::Type::Integer}};
        head.required = head.columns;
        return {head};
    }

    QStringList createStatements() const override
    {
        // The functions run with their owner's rights and must find the owner's tables alone: a
        // clerk's temporary table of the same name would otherwise come first.
        QStringList statements{
            QStringLiteral("SELECT set_config('search_path', quote_ident(current_schema()) || ', pg_temp', true)"),
            QStringLiteral(R"(INSERT INTO "HistoryHead" ("Entry", "Hash") VALUES (0, '%1'))").arg(QString(64, u'0')),
            appendFunction(),
            QStringLiteral("REVOKE ALL ON FUNCTION %1(text, bigint, bigint, text, text, text, text, text) FROM PUBLIC")
                .arg(Append)};
        for (const Audited& table : audited())
            statements << triggers(table);
        return statements;
    }

    QStringList suspendStatements() const override { return alterTriggers(QStringLiteral("DISABLE")); }
    QStringList resumeStatements() const override { return alterTriggers(QStringLiteral("ENABLE")); }
    bool programSeals() const override { return false; }

    QString startStatement(const Audited& table) const override
    {
        // The records in the order of their keys, then each appended in that order; max() calls
        // the function for every one of them.
        const QString member = table.memberColumn.isEmpty() ? QStringLiteral("m.row_key")
                                                            : QStringLiteral("m.") + quoted(table.memberColumn);
        return QStringLiteral("SELECT max(%1('%2', m.row_key, %3, m.%4, ?, NULL, %5, ?)) FROM (SELECT * FROM %6 "
                              "ORDER BY row_key OFFSET 0) m")
            .arg(Append, table.table, member, quoted(table.fdidColumn), jsonOf(table, QStringLiteral("m")),
                 quoted(table.table));
    }

    QString currentRowsStatement(const Audited& table, int limit) const override
    {
        return QStringLiteral("SELECT m.row_key, m.%1, %2 FROM %3 m WHERE m.row_key > ? ORDER BY m.row_key LIMIT %4")
            .arg(quoted(table.fdidColumn), jsonOf(table, QStringLiteral("m")), quoted(table.table))
            .arg(limit);
    }

    QString headStatement() const override { return QStringLiteral(R"(SELECT "Entry", "Hash" FROM "HistoryHead")"); }

    QString headUpdate() const override
    {
        return QStringLiteral(R"(UPDATE "HistoryHead" SET "Entry" = ?, "Hash" = ?)");
    }

    QString keptStatement() const override
    {
        return QStringLiteral("SELECT 1 WHERE to_regclass('\"HistoryHead\"') IS NOT NULL");
    }

private:
    static QStringList alterTriggers(const QString& how)
    {
        QStringList statements;
        for (const Audited& table : audited()) {
            for (const char* suffix : {"", "Change"})
                statements << QStringLiteral("ALTER TABLE %1 %2 TRIGGER %3")
                                  .arg(quoted(table.table), how, objectName(table.table, suffix));
        }
        return statements;
    }
};

} // namespace

const Dialect& postgres()
{
    static const PostgresDialect dialect;
    return dialect;
}

} // namespace vantor::history::dialect
