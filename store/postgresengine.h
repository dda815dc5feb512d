#pragma once

#include "engine.h"

namespace vantor {

// A PostgreSQL server that a department's stations share, reached through Qt's QPSQL driver
// and, where speed counts, through libpq under it. The table and column names keep the
// case they have on SQLite ("MT", "ID", ...); the windows' Jet texts are translated to
// name them so. Texts are stored with the C collation, so that the caseless comparisons
// fold A to Z alone and sort byte by byte, as SQLite's NOCASE does.
class PostgresEngine final : public Engine
{
public:
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    bool isServer() const override { return true; }
    QString describeSource(const QString& dataSource) const override;
    StoreError open(QSqlDatabase& db, const ConnectionString& cs) const override;
    StoreError createEmpty(const ConnectionString& cs) const override;
    void discardCreated(const ConnectionString& cs) const override;
    QStringList createTableStatements(const TableDefinition& table) const override;
    StoreError tableColumns(const QSqlDatabase& db, const QString& table, QStringList& columns,
                            const QString& context) const override;
    QString rowKeyColumn() const override { return QStringLiteral("row_key"); }
    StoreError readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                        std::vector<qint64>& keys, const QString& context) const override;
    StoreError readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters, int valueCount,
                        std::vector<KeyedRow>& rows, const QString& context) const override;
    StoreError acceptValue(const QString& field, const QVariant& value) const override;
    bool connectionLost(const QSqlDatabase& db) const override;
    QString nullSafeEquals(const QString& quotedColumn) const override;
    QString currentYearExpression() const override;
    QString caseless(const QString& operand) const override;
    QString caselessOrder(const QString& column, bool descending) const override;
    QString numberIn(const QString& operand) const override;
    QString currentYearNumber() const override;
    StoreError mapError(const QSqlError& error, const QString& context = {}) const override;
    QString qtDriver() const override { return QStringLiteral("QPSQL"); }

    // Why a connection to `uri` cannot be made, asked of libpq directly: the driver reports
    // neither the SQLSTATE nor whether a password was missing. `password` may be empty.
    StoreError whyNoConnection(const QString& uri, const QString& password) const;

private:
    QStringList copyTriggers(const TableDefinition& table) const;
    // Runs `sql` with `parameters` and appends its first column to `texts`, in one round trip.
    StoreError readTexts(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                         QStringList& texts, const QString& context) const;
};

const Engine& postgresEngine();

// libpq's connection keywords for a URI, quoted for a conninfo string: what QPSQL is given
// as connect options. Empty when the URI cannot be read or names a password.
QString conninfoOptions(const QString& uri);
// A value quoted for a libpq conninfo string.
QString conninfoValue(QString value);

} // namespace vantor
