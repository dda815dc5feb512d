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

// One connection to a PostgreSQL server through libpq. A batch of statements goes out in one
// flight (libpq's pipeline, values sent with each statement, none prepared apart) and is waited
// for once, without blocking the thread's event loop (serverwait.h); one the server does not
// answer in time is given up with its connection, which is never used again.
class PostgresSession final : public Session
{
public:
    // `server` names the records in messages, as the engine describes its location.
    PostgresSession(const PostgresEngine& engine, QString server);
    ~PostgresSession() override;
    PostgresSession(const PostgresSession&) = delete;
    PostgresSession& operator=(const PostgresSession&) = delete;

    // Dials the server once with `keywords`; a failure says why, from that one attempt.
    StoreError connect(const Keywords& keywords);

    StoreError runBatch(std::vector<Statement>& batch) override;
    bool lost() override;
    bool brokeUnanswered() const override { return m_brokeUnanswered; }
    bool reusable() override;

protected:
    StoreError runOne(Statement& statement) override;

private:
    // One piece of a flight: a statement of the batch, a transaction's BEGIN, COMMIT or
    // ROLLBACK, or the end of an implicit transaction (a sync).
    struct Item {
        Statement* statement = nullptr;
        const char* control = nullptr;
        bool sync = false;
    };
    StoreError fly(const std::vector<Item>& items, bool first);
    StoreError send(const Item& item);
    StoreError flush(ServerWait& wait);
    StoreError nextResult(ServerWait& wait, pg_result*& result);
    StoreError take(pg_result* result, const Item& item, bool& aborted);
    StoreError resultFailure(const pg_result* result) const;
    StoreError connectionFailure() const;
    StoreError whyNotConnected(int stage) const;
    StoreError certificateRefused(const QString& cause) const;
    StoreError giveUp(const ServerWait& wait, int outcome);
    void abandon();

    const PostgresEngine& m_engine;
    const QString m_server;
    pg_conn* m_conn = nullptr;
    bool m_busy = false; // a flight is on its way: no other may be sent
    bool m_brokeUnanswered = false;
};

} // namespace vantor
