#pragma once

#include "engine.h"

#include <QByteArray>

#include <utility>

struct pg_conn;
struct pg_result;

namespace vantor {

class PostgresEngine;
class ServerWait;

// libpq's connection keywords and their values, in the order libpq reads them (a later one
// wins over an earlier one of the same name).
using Keywords = QList<std::pair<QByteArray, QByteArray>>;

// One connection to a PostgreSQL server through libpq. Every statement costs one round trip
// (sent with its values, no statement prepared apart) and is waited for without blocking the
// thread's event loop (serverwait.h); one the server does not answer in time is given up with
// its connection, which is never used again.
class PostgresSession final : public Session
{
public:
    // `server` names the records in messages, as server::describe does.
    PostgresSession(const PostgresEngine& engine, QString server);
    ~PostgresSession() override;
    PostgresSession(const PostgresSession&) = delete;
    PostgresSession& operator=(const PostgresSession&) = delete;

    // Dials the server once with `keywords`; a failure says why, from that one attempt.
    StoreError connect(const Keywords& keywords);

    StoreError run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                   qint64* rowsAffected = nullptr) override;
    StoreError readKeys(const QString& sql, const QVariantList& parameters, std::vector<qint64>& keys) override;
    bool lost() override;

private:
    using ResultHandler = std::function<void(pg_result*)>;
    StoreError execute(const QString& sql, const QVariantList& parameters, int resultFormat,
                       const ResultHandler& onResult, qint64* rowsAffected);
    StoreError executeCommitted(const QString& sql, const QVariantList& parameters, int resultFormat,
                                const ResultHandler& onResult, qint64* rowsAffected);
    StoreError flush(ServerWait& wait);
    StoreError awaitResults(ServerWait& wait, const ResultHandler& onResult, qint64* rowsAffected,
                            bool pipeline = false);
    StoreError resultFailure(const pg_result* result) const;
    StoreError connectionFailure() const;
    StoreError whyNotConnected(int stage) const;
    StoreError giveUp(const ServerWait& wait, int outcome);
    void abandon();

    const PostgresEngine& m_engine;
    const QString m_server;
    pg_conn* m_conn = nullptr;
    bool m_busy = false; // a statement is on its way: no other may be sent
};

} // namespace vantor
