#pragma once

#include <QMap>
#include <QString>

namespace vantor {

// An OLE DB style connection string: "Key=Value;Key=Value". Keys are case-insensitive;
// values may be wrapped in double quotes when they hold a semicolon.
class ConnectionString
{
public:
    static ConnectionString parse(const QString& text, QString* error = nullptr);

    QString value(const QString& key) const;
    bool contains(const QString& key) const;
    QString provider() const { return value(QStringLiteral("Provider")); }
    QString dataSource() const { return value(QStringLiteral("Data Source")); }

private:
    QMap<QString, QString> m_values; // keys folded to lower case
};

// The connection string the windows build for a database file.
QString jetConnectionString(const QString& databasePath);
// A connection string for any provider, its data source quoted where it has to be.
QString connectionStringFor(const QString& provider, const QString& dataSource);

} // namespace vantor
