#include "history.h"

#include "fittests.h"
#include "historydialect.h"
#include "historyentries.h"
#include "historyseal.h"
#include "masktest.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace vantor::history {

namespace {

StoreError runAll(Connection& connection, const QStringList& statements)
{
    for (const QString& sql : statements) {
        if (StoreError error = connection.execute(sql))
            return error;
    }
    return {};
}

// Whether this program seals what is recorded on `connection`: a file's.
bool programSeals(const Connection& connection)
{
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    return sql && sql->programSeals();
}

} // namespace

QStringList columns()
{
    namespace c = column;
    return {c::At,     c::Who,    c::Record, c::RecordKey, c::Member, c::Fdid,
            c::Action, c::Before, c::After,  c::Note,      c::Sealed, c::Hash};
}

const QList<Audited>& audited()
{
    static const QList<Audited> tables{
        {masktest::TableName, masktest::fieldNames(), QString(), QStringLiteral("ID")},
        {fittests::TableName, fittests::testTable().columns, fittests::column::Member, fittests::column::MemberId},
    };
    return tables;
}

const Audited* auditedTable(const QString& table)
{
    for (const Audited& candidate : audited()) {
        if (candidate.table == table)
            return &candidate;
    }
    return nullptr;
}

QList<TableDefinition> tables(const Engine& engine)
{
    namespace c = column;
    TableDefinition history{TableName, columns()};
    history.types = {{c::RecordKey, TableDefinition::Type::Integer}, {c::Member, TableDefinition::Type::Integer}};
    history.required = {c::At, c::Record, c::RecordKey, c::Action};
    history.ownKey = true;
    // A member's entries, newest first, for the History window.
    history.lookups = {{QStringLiteral("History_Member"), {c::Member, QStringLiteral("row_key")}}};
    QList<TableDefinition> all{history};
    if (const dialect::Dialect* sql = dialect::of(engine))
        all << sql->extraTables();
    return all;
}

StoreError createHistory(Connection& connection)
{
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    if (!sql)
        return StoreError::make(
            CommandFailed, Text::tr("The %1 engine keeps no history of changes.").arg(connection.engine()->name()));
    for (const TableDefinition& table : tables(*connection.engine())) {
        if (StoreError error = runAll(connection, connection.engine()->createTableStatements(table)))
            return error;
    }
    return runAll(connection, sql->createStatements());
}

StoreError isKept(Connection& connection, bool& kept)
{
    kept = false;
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    if (!sql)
        return {};
    QList<QVariantList> rows;
    if (StoreError error = connection.query(sql->keptStatement(), {}, rows))
        return error;
    kept = !rows.isEmpty();
    return {};
}

QString localWriter()
{
    // The real user's own entry, not $USER, which anyone may set to anything.
    static const QString writer = [] {
        const passwd* entry = ::getpwuid(::getuid());
        const QString user = entry && entry->pw_name && *entry->pw_name ? QString::fromLocal8Bit(entry->pw_name)
                                                                        : QStringLiteral("uid %1").arg(::getuid());
        return user + u'@' + QSysInfo::machineHostName();
    }();
    return writer;
}

StoreError beginWriting(Connection& connection)
{
    bool kept = false;
    if (!programSeals(connection))
        return {};
    if (StoreError error = seal::prepare(connection, kept); error || !kept)
        return error;
    return seal::sealOutstanding(connection);
}

StoreError recordChanges(Connection& connection, const std::function<StoreError()>& work)
{
    if (connection.inTransaction())
        return work();
    return connection.transaction([&]() -> StoreError {
        if (StoreError error = beginWriting(connection))
            return error;
        return work();
    });
}

StoreError recordStatement(Connection& connection, const std::function<StoreError()>& work)
{
    if (connection.inTransaction() || !programSeals(connection))
        return work();
    bool kept = false;
    if (StoreError error = seal::prepare(connection, kept))
        return error;
    // The statement seals its own entries, in its own transaction: no more statements than before.
    const StoreError error = work();
    if (!seal::isOutstanding(error))
        return error;
    return connection.transaction([&]() -> StoreError {
        if (StoreError sealed = seal::sealOutstanding(connection))
            return sealed;
        return work();
    });
}

StoreError startHistory(Connection& connection, const QString& action, const QString& note)
{
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    if (!sql)
        return {};
    for (const Audited& table : audited()) {
        if (StoreError error = connection.execute(sql->startStatement(table), {action, note}))
            return error;
    }
    return {};
}

StoreError suspendTriggers(Connection& connection)
{
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    return sql ? runAll(connection, sql->suspendStatements()) : StoreError();
}

StoreError resumeTriggers(Connection& connection)
{
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    return sql ? runAll(connection, sql->resumeStatements()) : StoreError();
}

namespace dialect {

const Dialect* of(const Engine& engine)
{
    if (engine.name() == u"SQLite")
        return &sqlite();
    if (engine.name() == u"PostgreSQL")
        return &postgres();
    return nullptr;
}

QString quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString objectName(const QString& table, const char* suffix)
{
    return quoted(table + QStringLiteral("_History") + (*suffix ? u'_' + QLatin1String(suffix) : QString()));
}

} // namespace dialect

} // namespace vantor::history
