#include "engine.h"

#include "jetdialect.h"
#include "masktest.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <functional>

namespace vantor {

namespace {

// What the store reads: every value as text, a null as an invalid QVariant.
QVariant readable(const QSqlQuery& query, int column)
{
    if (query.isNull(column))
        return {};
    const QVariant v = query.value(column);
    QString text = v.toString();
    if (text.isNull())
        text = QStringLiteral("");
    return QVariant(text);
}

} // namespace

// Runs a query forward only with its values bound, handing each row to `take`.
static StoreError forEachRow(const Engine& engine, const QSqlDatabase& db, const QString& sql,
                             const QList<QVariant>& parameters, const QString& context,
                             const std::function<void(const QSqlQuery&)>& take)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return engine.mapError(query.lastError(), context);
    for (const QVariant& p : parameters)
        query.addBindValue(p);
    if (!query.exec())
        return engine.mapError(query.lastError(), context);
    while (query.next())
        take(query);
    if (query.lastError().isValid())
        return engine.mapError(query.lastError(), context);
    return {};
}

StoreError Engine::readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                            std::vector<qint64>& keys, const QString& context) const
{
    return forEachRow(*this, db, sql, parameters, context,
                      [&keys](const QSqlQuery& query) { keys.push_back(query.value(0).toLongLong()); });
}

StoreError Engine::readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                            int valueCount, std::vector<KeyedRow>& rows, const QString& context) const
{
    return forEachRow(*this, db, sql, parameters, context, [&rows, valueCount](const QSqlQuery& query) {
        KeyedRow row;
        row.key = query.value(0).toLongLong();
        row.values.reserve(valueCount);
        for (int f = 0; f < valueCount; ++f)
            row.values << readable(query, f + 1);
        rows.push_back(std::move(row));
    });
}

StoreError Engine::readTextRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                TextRows& rows, const QString& context) const
{
    return forEachRow(*this, db, sql, parameters, context, [&rows](const QSqlQuery& query) {
        rows.addKey(query.value(0).toLongLong());
        for (int f = 1; f <= rows.valueCount(); ++f) {
            if (query.isNull(f)) {
                rows.addNull();
            } else {
                const QByteArray text = query.value(f).toString().toUtf8();
                rows.addText(text.constData(), text.size());
            }
        }
    });
}

StoreError Engine::tableColumns(const QSqlDatabase& db, const QString& table, QStringList& columns,
                                const QString& /*context*/) const
{
    const QSqlRecord record = db.record(table);
    columns.clear();
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    return {};
}

StoreError Engine::insertRow(const QSqlDatabase& db, const QString& insertSql, const QList<QVariant>& values,
                             qint64& key, const QString& context) const
{
    bool read = false;
    // Every row of the statement is fetched: only then has it certainly finished, its
    // failures (a commit that could not be made) included.
    const StoreError error = forEachRow(*this, db, insertSql + QStringLiteral(" RETURNING ") + rowKeyColumn(), values,
                                        context, [&key, &read](const QSqlQuery& query) {
                                            key = query.value(0).toLongLong();
                                            read = true;
                                        });
    if (!error && !read)
        return keyNotReadBack();
    return error;
}

StoreError Engine::acceptValue(const QString& /*field*/, const QVariant& /*value*/) const
{
    return {};
}

QString Engine::translate(const QString& jetSql) const
{
    return translateJet(jetSql, *this, masktest::TableName, masktest::fieldNames());
}

QString Engine::quoteIdentifier(const QString& name) const
{
    QString escaped = name;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

bool Engine::connectionLost(const QSqlDatabase& /*db*/) const
{
    return false;
}

StoreError Engine::keyNotReadBack()
{
    return StoreError::make(EngineFailure, QStringLiteral("The new record was stored, but its key could not be read."));
}

} // namespace vantor
