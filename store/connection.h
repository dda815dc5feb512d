#pragma once

#include "engine.h"
#include "storeerror.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>

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

    // Opens with the given connection string (or the one set before). A server takes an
    // empty user name and password from its location and libpq's own files instead.
    StoreError open(const QString& connectionString = {}, const QString& userName = {}, const QString& password = {});
    void close();
    bool isOpen() const;
    // Opens the connection again where the engine lost it (a server restarted, a network
    // gone), with what it was first opened with; the record sets call it before each of
    // their statements, so that the one after a lost connection finds it back.
    StoreError reopenIfLost();

    // Runs a query of one value (a count, the store's clock) in the engine's dialect, with
    // `parameters` bound, and sets `value` to its first column of its first row.
    StoreError readValue(const QString& sql, const QVariantList& parameters, QVariant& value);

    // Statements that both engines take as written, not in the windows' Jet dialect: names in
    // SQL's double quotes, values as ? marks bound from `parameters`. A value is text, a whole
    // number, bytes (QByteArray: a BLOB on a file, bytea on a server) or null (an invalid
    // QVariant); values read back are text, bytes or null.
    //
    // Runs one statement; `rowsAffected`, where given, receives the rows it changed.
    StoreError execute(const QString& sql, const QVariantList& parameters = {}, qint64* rowsAffected = nullptr);
    // Runs one query and appends every row of its result to `rows`.
    StoreError query(const QString& sql, const QVariantList& parameters, QList<QVariantList>& rows);
    // Runs `work` in one transaction on this connection: committed when it returns no error,
    // rolled back when it does (its error is returned) or when the commit fails. A connection
    // lost inside is not opened again until the transaction has ended, so that no statement
    // of it runs outside it. Record sets opened on this connection take part.
    StoreError transaction(const std::function<StoreError()>& work);
    bool inTransaction() const { return m_inTransaction; }

    // The records the connection reaches, as a message names them.
    QString dataSource() const { return m_dataSource; }
    const Engine* engine() const { return m_engine; }
    QSqlDatabase database() const;

private:
    void release();

    QString m_connectionString;
    QString m_connectionName;
    QString m_dataSource;
    QString m_userName;
    QString m_password;
    bool m_opened = false; // opened, and not closed since: worth opening again when lost
    bool m_inTransaction = false;
    const Engine* m_engine = nullptr;
};

} // namespace vantor
