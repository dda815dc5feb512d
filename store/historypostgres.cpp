// The history on a server: every entry is appended and sealed under the lock of the chain's head
// row by the owner's functions, which run with the owner's rights; the tables' triggers append
// one for every row changed, whoever changes it. Clerks hold no right on the history but to read it.
#include "historydialect.h"

namespace vantor::history::dialect {

namespace {

const QString Append = QStringLiteral(R"("History_Append")");
const QString Declarations = QStringLiteral(
    R"(v_at text := to_char(statement_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"'); )"
    R"(v_who text := session_user; )");

// A field as the chain hashes it (historychain.h): its length in bytes, a colon and the text,
// or N for a null.
QString chained(const QString& text)
{
    return QStringLiteral("coalesce(octet_length(convert_to(%1, 'UTF8'))::text || ':' || %1, 'N')").arg(text);
}

// One statement that numbers, seals and writes an entry: the head's row is the lock, so a second
// writer waits for the first to commit and then chains onto its last entry; the numbers have no
// gap, which a sequence would leave for every transaction taken back. The values are the
// function's variables and parameters. A stored hash that is no hash chains through its digest,
// as historychain.h does.
QString appendStatement(const QStringList& values)
{
    QStringList fields{chained(QStringLiteral(R"(("Entry" + 1)::text)"))};
    for (const QString& value : values)
        fields << chained(u'(' + value + QStringLiteral(")::text"));
    fields << QStringLiteral("'N'"); // sealed as it is written
    return QStringLiteral(
               R"(WITH head AS (UPDATE "HistoryHead" SET "Entry" = "Entry" + 1, "Hash" = encode(sha256(CASE WHEN )"
               R"("Hash" ~ '^[0-9a-f]{64}$' THEN decode("Hash", 'hex') ELSE sha256(convert_to("Hash", 'UTF8')) END )"
               R"(|| convert_to(%1, 'UTF8')), 'hex') RETURNING "Entry", "Hash") INSERT INTO "History" ("row_key", )"
               R"("At", "Who", "Record", "RecordKey", "Member", "FDID", "Action", "Before", "After", "Note", )"
               R"("Sealed", "Hash") OVERRIDING SYSTEM VALUE SELECT head."Entry", %2, NULL, head."Hash" FROM head; )"
               R"(IF NOT FOUND THEN RAISE EXCEPTION 'The history has lost its head row: no change can be recorded.'; )"
               R"(END IF;)")
        .arg(fields.join(QStringLiteral(" || ")), values.join(QStringLiteral(", ")));
}

QString appendFunction()
{
    return QStringLiteral(
               R"(CREATE FUNCTION %1(p_record text, p_key bigint, p_member bigint, p_fdid text, p_action text, )"
               R"(p_before text, p_after text, p_note text) RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER )"
               R"(SET search_path FROM CURRENT AS $$DECLARE %2BEGIN %3 RETURN (SELECT "Entry" FROM "HistoryHead"); )"
               R"(END$$)")
        .arg(Append, Declarations,
             appendStatement({QStringLiteral("v_at"), QStringLiteral("v_who"), QStringLiteral("p_record"),
                              QStringLiteral("p_key"), QStringLiteral("p_member"), QStringLiteral("p_fdid"),
                              QStringLiteral("p_action"), QStringLiteral("p_before"), QStringLiteral("p_after"),
                              QStringLiteral("p_note")}));
}

// A row as a JSON object of its fields, built as a plain expression: no query for every row.
QString jsonOf(const Audited& table, const QString& row)
{
    QStringList pairs;
    for (const QString& name : table.columns)
        pairs << QStringLiteral("'%1', %2.%3").arg(name, row, quoted(name));
    return QStringLiteral("json_build_object(%1)::text").arg(pairs.join(QStringLiteral(", ")));
}

QString memberOf(const Audited& table, const QString& row)
{
    return table.memberColumn.isEmpty() ? row + QStringLiteral(".row_key") : row + u'.' + quoted(table.memberColumn);
}

QStringList triggers(const Audited& table)
{
    const QString function = objectName(table.table, "");
    const QString body
        = QStringLiteral("DECLARE %1v_row %2; v_action text; v_before text; v_after text; BEGIN IF TG_OP = 'DELETE' "
                         "THEN v_row := OLD; v_action := '%3'; ELSE v_row := NEW; v_after := %4; END IF; IF TG_OP = "
                         "'INSERT' THEN v_action := '%5'; ELSE v_before := %6; END IF; IF TG_OP = 'UPDATE' THEN "
                         "v_action := '%7'; END IF; %8 RETURN NULL; END")
              .arg(Declarations, quoted(table.table), action::Delete, jsonOf(table, QStringLiteral("NEW")), action::Add,
                   jsonOf(table, QStringLiteral("OLD")), action::Change,
                   appendStatement({QStringLiteral("v_at"), QStringLiteral("v_who"), u'\'' + table.table + u'\'',
                                    QStringLiteral("v_row.row_key"), memberOf(table, QStringLiteral("v_row")),
                                    QStringLiteral("v_row.") + quoted(table.fdidColumn), QStringLiteral("v_action"),
                                    QStringLiteral("v_before"), QStringLiteral("v_after"), QStringLiteral("NULL")}));
    return {
        QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM "
                       "CURRENT AS $$%2$$")
            .arg(function, body),
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
        // The records in the order of their keys, then each appended in that order; count() calls
        // the function for every one of them.
        return QStringLiteral("SELECT count(%1('%2', m.row_key, %3, m.%4, ?, NULL, %5, ?)) FROM (SELECT * FROM %6 "
                              "ORDER BY row_key OFFSET 0) m")
            .arg(Append, table.table, memberOf(table, QStringLiteral("m")), quoted(table.fdidColumn),
                 jsonOf(table, QStringLiteral("m")), quoted(table.table));
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
