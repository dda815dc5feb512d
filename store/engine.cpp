#include "engine.h"

#include "jetdialect.h"

#include <QCoreApplication>

namespace vantor {

StoreError Session::runBatch(std::vector<Statement>& batch)
{
    for (Statement& statement : batch) {
        statement.done = false;
        if (StoreError error = runOne(statement); error && !statement.optional)
            return error;
        else if (!error)
            statement.done = true;
    }
    return {};
}

StoreError Session::run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                        qint64* rowsAffected)
{
    std::vector<Statement> batch{Statement{sql, parameters, columns, onRow, nullptr, rowsAffected}};
    return runBatch(batch);
}

StoreError Engine::tableColumns(Session& session, const QString& table, QStringList& columns) const
{
    columns.clear();
    std::vector<Statement> batch{columnsStatement(table, columns)};
    return session.runBatch(batch);
}

StoreError Engine::acceptValue(const QString& /*field*/, const QVariant& /*value*/) const
{
    return {};
}

QString Engine::translate(const QString& jetSql, const TableDefinition& table) const
{
    return translateJet(jetSql, *this, table.name, table.columns);
}

QString Engine::connectionStringOf(const QString& location) const
{
    return connectionStringFor(name(), location);
}

namespace {

// The translators' context of the advice after a failed open.
struct OpenAdvice {
    Q_DECLARE_TR_FUNCTIONS(vantor::OpenAdvice)
};

} // namespace

QString Engine::openAdvice(const StoreError& error) const
{
    switch (error.number) {
    case ServerUnavailable:
        return OpenAdvice::tr(
            "Check that the server is running and that this station can reach it (network, host name, port, "
            "firewall), then start Vantor again.");
    case SecureConnectionFailed:
        return OpenAdvice::tr("Ask the server's administrator to turn SSL on at the server, or to check its "
                              "certificate, then start Vantor again.");
    case ServerNameMismatch:
        return OpenAdvice::tr("Name the server in the location as its certificate does, or ask the server's "
                              "administrator which name that is, then start Vantor again.");
    case DatabaseNotFound:
        return OpenAdvice::tr(
            "Check the database name in the location, or ask the administrator to create the database.");
    case TableNotFound:
        return OpenAdvice::tr("Ask the administrator to create the table:\n    vantor --create-database LOCATION");
    case AccessDenied:
        return OpenAdvice::tr(
            "Ask the administrator to grant your user SELECT, INSERT, UPDATE and DELETE on table MT.");
    default: break;
    }
    return OpenAdvice::tr(
        "Check the location of the records in the settings or on the command line, or ask your administrator.");
}

QString Engine::quoteIdentifier(const QString& name) const
{
    QString escaped = name;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

} // namespace vantor
