#pragma once

#include "engine.h"

class QSqlError;

namespace vantor {

class SqliteSession;

// The embedded default: one SQLite file per department, opened through Qt's SQLite driver.
class SqliteEngine : public Engine
{
public:
    QString name() const override { return QStringLiteral("SQLite"); }
    // The windows' connection strings name the old Jet provider, which stands for this engine.
    QString connectionStringOf(const QString& location) const override { return jetConnectionString(location); }
    std::unique_ptr<Session> open(const ConnectionString& cs, const QString& userName, const QString& password,
                                  const TableDefinition& table, StoreError& error) const override;
    StoreError createEmpty(const ConnectionString& cs) const override;
    void discardCreated(const ConnectionString& cs) const override;
    QStringList createTableStatements(const TableDefinition& table) const override;
    Statement columnsStatement(const QString& table, QStringList& columns) const override;
    QString rowKeyColumn() const override { return QStringLiteral("rowid"); }
    QString nullSafeEquals(const QString& quotedColumn) const override;
    QString currentYearExpression() const override;
    QString caseless(const QString& operand) const override;
    QString caselessOrder(const QString& column, bool descending) const override;
    QString numberIn(const QString& operand) const override;
    QString currentYearNumber() const override;

    // A failure of SQLite (`code`, its result code, extended or not, and its `text`) as the store
    // reports it for the file at `path`.
    StoreError mapFailure(int code, const QString& text, const QString& path) const;

    // How long a write waits for another program's lock before it reports "busy".
    static constexpr int BusyTimeoutMs = 2000;

private:
    StoreError mapError(const QSqlError& error, const QString& path) const;
    StoreError checkFile(const QString& path) const;
    StoreError applyDurability(SqliteSession& session) const;
    void addMissingIndexes(SqliteSession& session, const TableDefinition& table) const;
    QStringList ownerTriggers(const TableDefinition& table) const;
};

const Engine& sqliteEngine();

} // namespace vantor
