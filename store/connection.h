#pragma once

#include "engine.h"
#include "storeerror.h"
#include "textrows.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace vantor {

// A connection to the record store, reached through a connection string. Record sets opened
// on it share it; on a server, each of its batches of statements costs one round trip. A
// connection to a server that closes goes back to a small pool of idle ones, and the next
// Connection opened with the same connection string, user and password takes it from there
// instead of dialling again.
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
    // Whether a connection opened now would reach what this one reaches: false where the
    // records file was moved, removed or replaced since it was opened.
    bool stillAtLocation() const { return m_session && !m_session->movedAway(); }
    // Opens the connection again where the engine lost it (a server restarted, a network
    // gone, a wait given up), with what it was first opened with; every statement calls it
    // first, so that the one after a lost connection finds it back.
    StoreError reopenIfLost();

    // Runs the statements of `batch`, in the engine's dialect, as Session::runBatch does: on a
    // server, one round trip for a batch of reads. A connection kept open since an earlier
    // action that is found broken before it answered anything is opened again, and the batch
    // sent once more: nothing of it was carried out.
    StoreError runBatch(std::vector<Statement>& batch);

    // Runs a query of one value (a count, the store's clock) in the windows' Jet dialect, with
    // `parameters` bound, and sets `value` to its first column of its first row.
    StoreError readValue(const QString& sql, const QVariantList& parameters, QVariant& value);
    // The same as a statement of a batch; `value` must outlive it.
    Statement valueStatement(const QString& sql, const QVariantList& parameters, QVariant& value) const;

    // Statements that both engines take as written, not in the windows' Jet dialect: names in
    // SQL's double quotes, values as ? marks bound from `parameters`. A value is text, a whole
    // number, bytes (QByteArray: a BLOB on a file, bytea on a server) or null (an invalid
    // QVariant); values read back are text, bytes or null.
    //
    // Runs one statement; `rowsAffected`, where given, receives the rows it changed.
    StoreError execute(const QString& sql, const QVariantList& parameters = {}, qint64* rowsAffected = nullptr);
    // Runs one query and appends every row of its result to `rows`.
    StoreError query(const QString& sql, const QVariantList& parameters, QList<QVariantList>& rows);
    // Runs one query whose first column is a row key and whose others are read as text, and
    // appends its rows to `rows`: a list of a hundred thousand rows costs its text, not a
    // QVariant a value.
    StoreError readTextRows(const QString& sql, const QVariantList& parameters, TextRows& rows)
    {
        return readTextRows(sql, parameters, Columns::Any, rows);
    }
    // Runs `work` in one transaction on this connection: committed when it returns no error,
    // rolled back when it does (its error is returned) or when the commit fails. A connection
    // lost inside is not opened again until the transaction has ended, so that no statement
    // of it runs outside it. Record sets opened on this connection take part.
    StoreError transaction(const std::function<StoreError()>& work);
    bool inTransaction() const { return m_inTransaction; }

    // The columns of `table` in the table's order; none when there is no such table.
    StoreError tableColumns(const QString& table, QStringList& columns);

    // The records the connection reaches, as a message names them.
    QString dataSource() const { return m_dataSource; }
    const Engine* engine() const { return m_engine; }

private:
    friend class RecordSet;
    // A statement of the store's own (in the engine's dialect), on the connection as it is.
    StoreError run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                   qint64* rowsAffected = nullptr);
    // `columns` says whether the values are texts alone, which an engine may read faster.
    StoreError readTextRows(const QString& sql, const QVariantList& parameters, Columns columns, TextRows& rows);
    Statement textRowsStatement(const QString& sql, const QVariantList& parameters, Columns columns,
                                TextRows& rows) const;
    StoreError closedOrLost() const;
    // Lets go of the session: back to the pool where another Connection may use it.
    void release();

    QString m_connectionString;
    QString m_dataSource;
    QString m_userName;
    QString m_password;
    bool m_opened = false; // opened, and not closed since: worth opening again when lost
    bool m_inTransaction = false;
    bool m_sessionKept = false; // the session has been open since before the batch now sent
    const Engine* m_engine = nullptr;
    std::unique_ptr<Session> m_session;
};

} // namespace vantor
