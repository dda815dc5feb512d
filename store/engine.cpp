#include "engine.h"

#include "jetdialect.h"
#include "masktest.h"

namespace vantor {

StoreError Session::readKeys(const QString& sql, const QVariantList& parameters, std::vector<qint64>& keys)
{
    return run(sql, parameters, Columns::KeysAndTexts,
               [&keys](const ResultRow& row) { keys.push_back(row.number(0)); });
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
