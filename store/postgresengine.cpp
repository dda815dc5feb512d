#include "postgresengine.h"

#include "rememberedpasswords.h"
#include "serverlocation.h"

namespace vantor {

namespace {

// The columns of a table in the table's order, but the row key; none when there is no such table.
const QString ColumnsOfTable = QStringLiteral(
    "SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = to_regclass(?) AND attnum > 0 AND NOT attisdropped "
    "AND attname <> ? ORDER BY attnum");

// Refuses a location the engine must not use: one libpq cannot read, or one with a password.
StoreError checkLocation(const server::ServerAddress& address)
{
    if (!address.error.isEmpty())
        return StoreError::make(InvalidArgument,
                                QStringLiteral("The server location cannot be read: %1").arg(address.error));
    if (address.namesPassword)
        return StoreError::make(
            InvalidArgument,
            QStringLiteral("The server location for %1 names a password. Vantor takes no password from a "
                           "command line or a settings file, where others can read it: put it in your password "
                           "file ~/.pgpass (or the file PGPASSFILE names), and leave it out of the location.")
                .arg(server::describe(address)));
    return {};
}

} // namespace

const Engine& postgresEngine()
{
    static const PostgresEngine engine;
    return engine;
}

bool PostgresEngine::claimsLocation(const QString& location) const
{
    return server::isPostgresLocation(location);
}

QString PostgresEngine::describeSource(const QString& dataSource) const
{
    return server::describe(dataSource);
}

std::unique_ptr<Session> PostgresEngine::open(const ConnectionString& cs, const QString& userName,
                                              const QString& password, const TableDefinition& /*table*/,
                                              StoreError& error) const
{
    const QString uri = cs.dataSource();
    if (uri.isEmpty()) {
        error = StoreError::make(InvalidArgument, QStringLiteral("The connection string names no Data Source."));
        return nullptr;
    }
    const server::ServerAddress address = server::parse(uri);
    if ((error = checkLocation(address)))
        return nullptr;
    auto session = std::make_unique<PostgresSession>(*this, server::describe(address));
    error = session->connect(
        connectionKeywords(address, userName, password.isEmpty() ? rememberedPassword(uri) : password));
    if (error)
        return nullptr;
    return session;
}

StoreError PostgresEngine::createEmpty(const ConnectionString& cs) const
{
    // The table is made in one transaction whose CREATE TABLE fails on a table already
    // there, which is the refusal: nothing to claim beforehand.
    return checkLocation(server::parse(cs.dataSource()));
}

void PostgresEngine::discardCreated(const ConnectionString& /*cs*/) const
{
    // What createEmpty() made is nothing; the failed transaction took back the rest.
}

namespace {

QString serverType(TableDefinition::Type type)
{
    switch (type) {
    case TableDefinition::Type::Date: return QStringLiteral("date");
    case TableDefinition::Type::Number: return QStringLiteral("double precision");
    case TableDefinition::Type::Integer: return QStringLiteral("bigint");
    case TableDefinition::Type::Bytes: return QStringLiteral("bytea");
    case TableDefinition::Type::Text: break;
    }
    return QStringLiteral("text COLLATE \"C\"");
}

} // namespace

QStringList PostgresEngine::createTableStatements(const TableDefinition& table) const
{
    // Every table has its identity key: never handed out twice, and no rebuild renumbers it.
    QStringList columns{rowKeyColumn() + QStringLiteral(" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY")};
    for (const QString& column : table.columns) {
        QString definition = quoteIdentifier(column) + u' ' + serverType(table.typeOf(column));
        if (table.required.contains(column))
            definition += QStringLiteral(" NOT NULL");
        // The rows go with their owner whoever deletes it; the deletion runs with the table
        // owner's rights, so a clerk needs none on this table to delete a member.
        if (table.owner && table.owner->column == column)
            definition += QStringLiteral(" REFERENCES %1 (%2) ON DELETE CASCADE")
                              .arg(quoteIdentifier(table.owner->table), rowKeyColumn());
        columns << definition;
    }
    const QString tableName = quoteIdentifier(table.name);
    QStringList statements{QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName, columns.join(QStringLiteral(", ")))};
    // In the order the translated texts sort by, ties by the row key included, so that a
    // list in the index's order needs no sort. The column itself rides along: only then can
    // the server read the keys from the index alone (a million start-up keys in a tenth of
    // the time it takes to visit every row).
    for (const TableDefinition::Index& index : table.indexes)
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3, %4) INCLUDE (%5)")
                          .arg(quoteIdentifier(index.name), tableName,
                               caselessOrder(quoteIdentifier(index.column), false), rowKeyColumn(),
                               quoteIdentifier(index.column));
    for (const TableDefinition::Lookup& lookup : table.lookups) {
        QStringList names;
        for (const QString& column : lookup.columns)
            names << quoteIdentifier(column);
        statements << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(lookup.unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdentifier(lookup.name),
                               tableName, names.join(QStringLiteral(", ")));
    }
    if (table.owner && !table.owner->copyColumn.isEmpty())
        statements << copyTriggers(table);
    return statements;
}

// The owner's column copied into the rows that belong to it, by the database. The function
// runs with its owner's rights, as the cascade does: a clerk who may change a member need
// not be allowed to write the rows that follow it.
QStringList PostgresEngine::copyTriggers(const TableDefinition& table) const
{
    const TableDefinition::Owner& owner = *table.owner;
    const QString function = quoteIdentifier(table.name + QStringLiteral("_FollowsOwner"));
    const QString from = quoteIdentifier(owner.ownerColumn);
    return {QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER "
                           "SET search_path FROM CURRENT AS $$BEGIN UPDATE %2 SET %3 = NEW.%4 WHERE %5 = NEW.%6; "
                           "RETURN NULL; END$$")
                .arg(function, quoteIdentifier(table.name), quoteIdentifier(owner.copyColumn), from,
                     quoteIdentifier(owner.column), rowKeyColumn()),
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 FOR EACH ROW WHEN (OLD.%2 IS DISTINCT FROM "
                           "NEW.%2) EXECUTE FUNCTION %1()")
                .arg(function, from, quoteIdentifier(owner.table))};
}

// Named as the table was made, in its case: "MT".
Statement PostgresEngine::columnsStatement(const QString& table, QStringList& columns) const
{
    return {ColumnsOfTable, {quoteIdentifier(table), rowKeyColumn()}, Columns::Any, [&columns](const ResultRow& row) {
                columns << QString::fromUtf8(row.text(0));
            }};
}

// PostgreSQL's text holds any character but U+0000; libpq would cut the value short there.
StoreError PostgresEngine::acceptValue(const QString& field, const QVariant& value) const
{
    if (value.typeId() != QMetaType::QString || !value.toString().contains(QChar(0)))
        return {};
    return StoreError::make(InvalidArgument,
                            QStringLiteral("The server cannot store the character NUL (code 0) that the field %1 "
                                           "holds. Remove it and try again.")
                                .arg(field));
}

QString PostgresEngine::nullSafeEquals(const QString& quotedColumn) const
{
    return quotedColumn + QStringLiteral(" IS NOT DISTINCT FROM ?");
}

QString PostgresEngine::currentYearExpression() const
{
    return QStringLiteral("to_char(localtimestamp, 'YYYY')");
}

// The columns' C collation makes lower() fold A to Z alone, and lower()'s result sorts by
// its bytes: SQLite's NOCASE, on the server.
QString PostgresEngine::caseless(const QString& operand) const
{
    return QStringLiteral("lower(%1)").arg(operand);
}

QString PostgresEngine::caselessOrder(const QString& column, bool descending) const
{
    return caseless(column) + (descending ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" NULLS FIRST"));
}

QString PostgresEngine::numberIn(const QString& operand) const
{
    return QStringLiteral("(CASE WHEN btrim(%1, ' ') ~ '^[0-9]+$' THEN btrim(%1, ' ')::numeric END)").arg(operand);
}

QString PostgresEngine::currentYearNumber() const
{
    return QStringLiteral("extract(year from localtimestamp)");
}

StoreError PostgresEngine::mapFailure(const QString& state, const QString& message, const QString& server) const
{
    auto make = [&](qint32 number, const QString& what) {
        return StoreError::make(number, describe(server, QStringLiteral("%1 (%2)").arg(what, message)));
    };
    // A write refused by the database itself (a trigger's RAISE) says just what it was told,
    // as SQLite's RAISE(ABORT) does.
    if (state == u"P0001")
        return StoreError::make(EngineFailure, message);
    struct Known {
        const char16_t* states; // SQLSTATEs, separated by blanks
        qint32 number;
        const char* what;
    };
    static const Known known[] = {
        {u"28P01 28000", AuthenticationFailed,
         "The server refused the user: a wrong password, or a user who may not connect from here."},
        {u"3D000", DatabaseNotFound, "The server has no such database."},
        {u"42P01", TableNotFound, "A table is missing from the database."},
        {u"42501", AccessDenied, "The user lacks a right: Vantor needs SELECT, INSERT, UPDATE and DELETE on table MT."},
        {u"42P07", FileExists, "The table is already there; it is left as it is."},
        {u"53100", DiskFull, "The server's disk is full."},
        {u"40001 40P01 55P03 53300", Busy, "The server is busy. Try again in a moment."},
        {u"57014", Busy,
         "The server did not carry out the request in the time allowed (it is busy, or another station holds the "
         "record): nothing of it was stored. Try again in a moment."},
    };
    for (const Known& k : known) {
        if (QStringView(k.states).split(u' ').contains(QStringView(state)))
            return make(k.number, QString::fromLatin1(k.what));
    }
    // The server going down (57P01 and its kin) or the connection failing (08...).
    if (state.startsWith(u"08") || state.startsWith(u"57P") || state.isEmpty())
        return make(ServerUnavailable,
                    QStringLiteral("The server cannot be reached, or the connection to it was lost. Check that "
                                   "the server is running, that its host name and port are right, and the "
                                   "network between."));
    return make(CommandFailed, QStringLiteral("The server could not carry out the request."));
}

} // namespace vantor
