#include "masktest.h"

#include "fileformat.h"
#include "history.h"
#include "sampledata.h"
#include "schema.h"

namespace vantor::masktest {

namespace {

StoreError insertSamples(Connection& connection, int sampleCount, quint32 seed)
{
    const QString insert = insertStatement(*connection.engine());
    SampleGenerator generator(seed);
    for (int i = 0; i < sampleCount; ++i) {
        if (StoreError error = connection.execute(insert, generator.next().values))
            return error;
    }
    return {};
}

// Lays out table MT in a new, empty database and fills it, all or nothing.
StoreError fillNew(Connection& connection, int sampleCount, quint32 seed)
{
    return connection.transaction([&]() -> StoreError {
        StoreError error = createTable(connection);
        // A new database is made at the current version: the tables beside MT come with it.
        if (!error)
            error = schema::createTablesBesideMaskTests(connection);
        // The invented members are added in the creating user's name.
        if (!error && sampleCount > 0)
            error = history::beginWriting(connection);
        if (!error && sampleCount > 0)
            error = insertSamples(connection, sampleCount, seed);
        return error;
    });
}

} // namespace

QStringList fieldNames()
{
    return {QStringLiteral("ID"),      QStringLiteral("Last"),    QStringLiteral("First"), QStringLiteral("Init"),
            QStringLiteral("Rank"),    QStringLiteral("Kelly"),   QStringLiteral("Batt"),  QStringLiteral("Unit"),
            QStringLiteral("Assign"),  QStringLiteral("Month"),   QStringLiteral("Day"),   QStringLiteral("Year"),
            QStringLiteral("Special"), QStringLiteral("AssignTo")};
}

TableDefinition table()
{
    return {TableName,
            fieldNames(),
            {{QStringLiteral("MT_ID_Caseless"), QStringLiteral("ID")},
             {QStringLiteral("MT_Unit_Caseless"), QStringLiteral("Unit")},
             {QStringLiteral("MT_Special_Caseless"), QStringLiteral("Special")}}};
}

StoreError createTable(Connection& connection)
{
    for (const QString& sql : connection.engine()->createTableStatements(table())) {
        if (StoreError error = connection.execute(sql))
            return error;
    }
    return {};
}

QString translate(const Engine& engine, const QString& jetSql)
{
    static const TableDefinition mt = table();
    return engine.translate(jetSql, mt);
}

QString insertStatement(const Engine& engine)
{
    QStringList columns;
    for (const QString& name : fieldNames())
        columns << engine.quoteIdentifier(name);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(engine.quoteIdentifier(TableName), columns.join(u','),
             QStringList(columns.size(), QStringLiteral("?")).join(u','));
}

qint64 countRecords(Connection& connection, StoreError& error)
{
    QList<QVariantList> rows;
    error = connection.query(QStringLiteral("SELECT count(*) FROM ") + connection.engine()->quoteIdentifier(TableName),
                             {}, rows);
    if (error)
        return -1;
    return rows.value(0).value(0).toLongLong();
}

StoreError verifySchema(Connection& connection)
{
    QStringList columns;
    if (StoreError error = connection.tableColumns(TableName, columns))
        return error;
    if (columns.isEmpty() && connection.engine()->isServer())
        return StoreError::make(TableNotFound,
                                QStringLiteral("The %1 holds no table MT of mask test records. Its owner creates it "
                                               "with vantor --create-database and the database's location.")
                                    .arg(connection.dataSource()));
    if (columns.isEmpty()) {
        // SQLite takes an empty file for an empty database; the user should hear it is empty.
        const bool empty = sniffFileKind(connection.dataSource()) == FileKind::Empty;
        return StoreError::make(
            TableNotFound,
            QStringLiteral("The file '%1' %2 no table MT of mask test records.")
                .arg(connection.dataSource(),
                     empty ? QStringLiteral("is empty (0 bytes): it holds") : QStringLiteral("holds")));
    }
    QStringList missing;
    for (const QString& name : fieldNames()) {
        if (!columns.contains(name, Qt::CaseInsensitive))
            missing << name;
    }
    if (!missing.isEmpty())
        return StoreError::make(TableNotFound,
                                QStringLiteral("The table MT in '%1' lacks the fields %2.")
                                    .arg(connection.dataSource(), missing.join(QStringLiteral(", "))));
    return {};
}

StoreError createDatabase(const RecordsLocation& location, int sampleCount, quint32 seed)
{
    const QString connect = location.connectionString();
    ConnectionString cs;
    StoreError error;
    const Engine* engine = Engine::forConnectionString(connect, cs, error);
    if (!engine)
        return error;
    if (StoreError refused = engine->createEmpty(cs))
        return refused;
    {
        Connection connection;
        error = connection.open(connect);
        if (!error)
            error = fillNew(connection, sampleCount, seed);
    }
    if (error)
        engine->discardCreated(cs); // only what this call created
    return error;
}

} // namespace vantor::masktest
