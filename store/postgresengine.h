#pragma once

#include "engine.h"
#include "postgressession.h"

namespace vantor::server {
struct ServerAddress;
}

namespace vantor {

// A PostgreSQL server that a department's stations share, reached through libpq. The table
// and column names keep the case they have on SQLite ("MT", "ID", ...); the windows' Jet
// texts are translated to name them so. Texts are stored with the C collation, so that the
// caseless comparisons fold A to Z alone and sort byte by byte, as SQLite's NOCASE does.
class PostgresEngine final : public Engine
{
public:
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    bool isServer() const override { return true; }
    bool claimsLocation(const QString& location) const override;
    QString describeSource(const QString& dataSource) const override;
    QString openAdvice(const StoreError& error) const override;
    std::unique_ptr<Session> open(const ConnectionString& cs, const QString& userName, const QString& password,
                                  const TableDefinition& table, StoreError& error) const override;
    StoreError createEmpty(const ConnectionString& cs) const override;
    void discardCreated(const ConnectionString& cs) const override;
    QStringList createTableStatements(const TableDefinition& table) const override;
    Statement columnsStatement(const QString& table, QStringList& columns) const override;
    QString rowKeyColumn() const override { return QStringLiteral("row_key"); }
    StoreError acceptValue(const QString& field, const QVariant& value) const override;
    QString nullSafeEquals(const QString& quotedColumn) const override;
    QString currentYearExpression() const override;
    QString caseless(const QString& operand) const override;
    QString caselessOrder(const QString& column, bool descending) const override;
    QString numberIn(const QString& operand) const override;
    QString currentYearNumber() const override;
    // Record sets read their rows in libpq's binary form, which is a text's own bytes only
    // for a text: a date or a number is asked for as its text.
    QString asText(const QString& quotedColumn) const override { return quotedColumn + QStringLiteral("::text"); }

    // A failure the server reported with SQLSTATE `state` and its own `message`, as the store
    // reports it for the records `server` names.
    StoreError mapFailure(const QString& state, const QString& message, const QString& server) const;

private:
    QStringList copyTriggers(const TableDefinition& table) const;
};

const Engine& postgresEngine();

// libpq's keywords for a location: every parameter it names, exactly as given, after the
// store's own defaults (the wait's bounds, the program's name), and the user name and
// password where given.
Keywords connectionKeywords(const server::ServerAddress& address, const QString& userName, const QString& password);

} // namespace vantor
