#pragma once

#include "engine.h"
#include "storeerror.h"

#include <QSqlDatabase>
#include <QString>

namespace vantor {

// A connection to the record store, reached through a connection string.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString) { m_connectionString = connectionString; }
    QString connectionString() const { return m_connectionString; }

    // Opens with the given connection string (or the one set before). User name and
    // password are accepted for the day a server engine needs them.
    StoreError open(const QString& connectionString = {}, const QString& userName = {}, const QString& password = {});
    void close();
    bool isOpen() const;

    QString dataSource() const { return m_dataSource; }
    const Engine* engine() const { return m_engine; }
    QSqlDatabase database() const;

private:
    QString m_connectionString;
    QString m_connectionName;
    QString m_dataSource;
    const Engine* m_engine = nullptr;
};

} // namespace vantor
