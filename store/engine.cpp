#include "engine.h"

#include "jetdialect.h"
#include "masktest.h"

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

} // namespace vantor
