#include "engine.h"

#include <QSqlQuery>
#include <QVariant>

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

StoreError Engine::readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                            std::vector<qint64>& keys, const QString& context) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return mapError(query.lastError(), context);
    for (const QVariant& p : parameters)
        query.addBindValue(p);
    if (!query.exec())
        return mapError(query.lastError(), context);
    while (query.next())
        keys.push_back(query.value(0).toLongLong());
    if (query.lastError().isValid())
        return mapError(query.lastError(), context);
    return {};
}

StoreError Engine::readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                            int valueCount, std::vector<KeyedRow>& rows, const QString& context) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return mapError(query.lastError(), context);
    for (const QVariant& p : parameters)
        query.addBindValue(p);
    if (!query.exec())
        return mapError(query.lastError(), context);
    while (query.next()) {
        KeyedRow row;
        row.key = query.value(0).toLongLong();
        row.values.reserve(valueCount);
        for (int f = 0; f < valueCount; ++f)
            row.values << readable(query, f + 1);
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        return mapError(query.lastError(), context);
    return {};
}

} // namespace vantor
