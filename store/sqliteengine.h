#pragma once

#include "engine.h"

namespace vantor {

// The embedded default: one SQLite file per department.
class SqliteEngine final : public Engine
{
public:
    QString name() const override { return QStringLiteral("SQLite"); }
    StoreError open(QSqlDatabase& db, const ConnectionString& cs) const override;
    StoreError createEmpty(const ConnectionString& cs) const override;
    void discardCreated(const ConnectionString& cs) const override;
    QStringList createTableStatements(const TableDefinition& table) const override;
    QString rowKeyColumn() const override { return QStringLiteral("rowid"); }
    StoreError insertRow(const QSqlDatabase& db, const QString& insertSql, const QList<QVariant>& values, qint64& key,
                         const QString& context) const override;
    StoreError readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                        std::vector<qint64>& keys, const QString& context) const override;
    StoreError readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters, int valueCount,
                        std::vector<KeyedRow>& rows, const QString& context) const override;
    StoreError readTextRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                            TextRows& rows, const QString& context) const override;
    QString nullSafeEquals(const QString& quotedColumn) const override;
    QString currentYearExpression() const override;
    QString caseless(const QString& operand) const override;
    QString caselessOrder(const QString& column, bool descending) const override;
    QString numberIn(const QString& operand) const override;
    QString currentYearNumber() const override;
    StoreError mapError(const QSqlError& error, const QString& context = {}) const override;
    QString qtDriver() const override { return QStringLiteral("QSQLITE"); }

    // How long a write waits for another program's lock before it reports "busy".
    static constexpr int BusyTimeoutMs = 2000;

private:
    StoreError applyDurability(QSqlDatabase& db, const QString& path) const;
    void addMissingIndexes(const QSqlDatabase& db, const TableDefinition& table) const;
    QStringList ownerTriggers(const TableDefinition& table) const;
};

const Engine& sqliteEngine();

} // namespace vantor
