// Statements on a connection to a PostgreSQL server: a batch sent with its values in one
// flight, its answers waited for without freezing the window, their rows handed on.
#include "postgresengine.h"
#include "postgressession.h"

#include "serverwait.h"

#include <QScopeGuard>
#include <QtEndian>

#include <libpq-fe.h>
#include <poll.h>

#include <memory>

namespace vantor {

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

constexpr Oid ByteaOid = 17;

// The store's texts mark parameters with '?'; libpq numbers them. A '?' in a literal or a
// quoted name is a character.
QByteArray numberedParameters(const QString& sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int number = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            quote = c == quote ? QChar() : quote;
            out += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++number);
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

// The values of a statement as libpq takes them: texts, bytes in binary as bytea, nulls.
struct Bound {
    explicit Bound(const QVariantList& parameters)
    {
        const auto n = std::size_t(parameters.size());
        data.reserve(n), values.reserve(n), lengths.reserve(n), formats.reserve(n), types.reserve(n);
        for (const QVariant& p : parameters) {
            const bool bytes = p.typeId() == QMetaType::QByteArray;
            data.push_back(isNullValue(p) ? QByteArray() : bytes ? p.toByteArray() : p.toString().toUtf8());
            // An empty text is a value, never a null: libpq takes a null pointer for a null.
            values.push_back(isNullValue(p) ? nullptr : data.back().isNull() ? "" : data.back().constData());
            lengths.push_back(int(data.back().size()));
            formats.push_back(bytes ? 1 : 0);
            types.push_back(bytes ? ByteaOid : 0);
        }
    }
    int count() const { return int(values.size()); }

    std::vector<QByteArray> data;
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    std::vector<Oid> types;
};

// A statement that changes rows, which on its own the server would commit as soon as it ran.
bool isWrite(const QString& sql)
{
    const QString verb = sql.trimmed().section(u' ', 0, 0);
    for (const char* write : {"INSERT", "UPDATE", "DELETE"}) {
        if (verb.compare(QLatin1String(write), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

const char* const Begin = "BEGIN";
const char* const Commit = "COMMIT";
const char* const Rollback = "ROLLBACK";

// libpq cuts a text short at U+0000, which no stored text holds (acceptValue refuses it).
bool holdsNul(const QVariantList& parameters)
{
    for (const QVariant& p : parameters) {
        if (p.typeId() == QMetaType::QString && p.toString().contains(QChar(0)))
            return true;
    }
    return false;
}

// A row of a result in text form (values as the server prints them) or in binary form (row
// keys as eight bytes, texts as they are: a record set's own reads).
class PostgresRow final : public ResultRow
{
public:
    PostgresRow(const PGresult* result, int row)
        : m_result(result)
        , m_row(row)
        , m_binary(PQbinaryTuples(result) != 0)
    {
    }
    int columnCount() const override { return PQnfields(m_result); }
    bool isNull(int column) const override { return PQgetisnull(m_result, m_row, column) != 0; }
    qint64 number(int column) const override
    {
        const char* value = PQgetvalue(m_result, m_row, column);
        if (!m_binary)
            return QByteArrayView(value, PQgetlength(m_result, m_row, column)).toLongLong();
        switch (PQgetlength(m_result, m_row, column)) {
        case 8: return qFromBigEndian<qint64>(value);
        case 4: return qFromBigEndian<qint32>(value);
        case 2: return qFromBigEndian<qint16>(value);
        default: return 0;
        }
    }
    QByteArrayView text(int column) const override
    {
        return QByteArrayView(PQgetvalue(m_result, m_row, column), PQgetlength(m_result, m_row, column));
    }
    bool isBytes(int column) const override { return PQftype(m_result, column) == ByteaOid; }
    QByteArray bytes(int column) const override
    {
        if (m_binary)
            return text(column).toByteArray();
        std::size_t length = 0;
        unsigned char* bytes
            = PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(m_result, m_row, column)), &length);
        const QByteArray copy(reinterpret_cast<const char*>(bytes), qsizetype(length));
        PQfreemem(bytes);
        return copy;
    }

private:
    const PGresult* m_result;
    int m_row;
    bool m_binary;
};

} // namespace

PostgresSession::PostgresSession(const PostgresEngine& engine, QString server)
    : m_engine(engine)
    , m_server(std::move(server))
{
}

PostgresSession::~PostgresSession()
{
    abandon();
}

void PostgresSession::abandon()
{
    if (!m_conn)
        return;
    // Non-blocking, so that saying goodbye to a server that does not read cannot hang.
    PQsetnonblocking(m_conn, 1);
    PQfinish(m_conn);
    m_conn = nullptr;
}

StoreError PostgresSession::giveUp(const ServerWait& wait, int outcome)
{
    abandon();
    return wait.failure(ServerWait::Outcome(outcome));
}

StoreError PostgresSession::runOne(Statement& statement)
{
    std::vector<Statement> one{std::move(statement)};
    const StoreError error = runBatch(one);
    statement = std::move(one.front());
    return error;
}

StoreError PostgresSession::runBatch(std::vector<Statement>& batch)
{
    m_brokeUnanswered = false;
    for (Statement& statement : batch)
        statement.done = false;
    if (m_busy)
        return ServerWait::refused(m_server);
    if (!m_conn)
        return StoreError::make(ServerUnavailable,
                                QStringLiteral("%1: The connection to the server was closed after an earlier request "
                                               "went unanswered; the next action connects again.")
                                    .arg(m_server));
    std::vector<Statement*> sent;
    for (Statement& statement : batch) {
        if (!holdsNul(statement.parameters)) {
            sent.push_back(&statement);
        } else if (statement.keys) {
            statement.done = true; // a search for a text with U+0000 finds nothing: no stored text holds one
        } else if (!statement.optional) {
            return StoreError::make(InvalidArgument,
                                    QStringLiteral("%1: The server cannot store the character NUL (code 0) that a "
                                                   "value holds.")
                                        .arg(m_server));
        }
    }
    // Reads go out together and end with one sync: libpq 15 writes out what it holds at every
    // sync, and a flight written in pieces may be answered piece by piece, a round trip each.
    // Only a read whose failure is its own (optional) ends its implicit transaction where more
    // follow, so that its failure aborts no other. A write outside a transaction goes out after
    // BEGIN, and its COMMIT only once it has answered: with the next flight, or alone.
    const Item sync{nullptr, nullptr, true};
    const bool idle = PQtransactionStatus(m_conn) == PQTRANS_IDLE;
    bool commitPending = false;
    bool first = true;
    for (std::size_t next = 0; next < sent.size() || commitPending; first = false) {
        std::vector<Item> flight;
        if (std::exchange(commitPending, false))
            flight.push_back(Item{nullptr, Commit});
        std::size_t write = next;
        while (write < sent.size() && !(idle && isWrite(sent[write]->sql)))
            ++write;
        if (write < sent.size()) {
            if (!flight.empty())
                flight.push_back(sync);
            flight.push_back(Item{nullptr, Begin});
            for (; next <= write; ++next)
                flight.push_back(Item{sent[next]});
            commitPending = true;
        } else {
            for (; next < sent.size(); ++next) {
                flight.push_back(Item{sent[next]});
                if (sent[next]->optional && next + 1 < sent.size())
                    flight.push_back(sync);
            }
        }
        flight.push_back(sync);
        StoreError error = fly(flight, first);
        if (error) {
            if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE && idle)
                fly({Item{nullptr, Rollback}, sync}, false);
            return error;
        }
    }
    return {};
}

StoreError PostgresSession::send(const Item& item)
{
    if (item.sync)
        return PQpipelineSync(m_conn) ? StoreError() : connectionFailure();
    if (item.control)
        return PQsendQueryParams(m_conn, item.control, 0, nullptr, nullptr, nullptr, nullptr, 0) ? StoreError()
                                                                                                 : connectionFailure();
    const Statement& statement = *item.statement;
    const Bound bound(statement.parameters);
    const int format = statement.keys || statement.columns == Columns::KeysAndTexts ? 1 : 0;
    if (!PQsendQueryParams(m_conn, numberedParameters(statement.sql).constData(), bound.count(), bound.types.data(),
                           bound.values.data(), bound.lengths.data(), bound.formats.data(), format))
        return connectionFailure();
    return {};
}

// Sends the items of one flight and reads their answers in turn: every result of a statement
// up to its end, and the end of each implicit transaction.
StoreError PostgresSession::fly(const std::vector<Item>& items, bool first)
{
    ServerWait wait(m_server);
    if (!wait.admitted())
        return ServerWait::refused(m_server);
    m_busy = true;
    const auto idle = qScopeGuard([this] { m_busy = false; });
    bool answered = false;
    const auto broke = [&](StoreError error) {
        // A connection that broke before anything of the first flight was answered carried
        // nothing of it out: the server rolls back what it may have begun.
        m_brokeUnanswered = first && !answered && m_conn && PQstatus(m_conn) == CONNECTION_BAD;
        return error;
    };
    if (!PQenterPipelineMode(m_conn))
        return broke(connectionFailure());
    for (const Item& item : items) {
        if (StoreError error = send(item))
            return broke(error);
    }
    if (StoreError error = flush(wait))
        return broke(error);

    StoreError error;
    StoreError optionalFailure; // ends its implicit transaction: a statement after it is aborted
    for (const Item& item : items) {
        bool aborted = false;
        for (;;) {
            pg_result* raw = nullptr;
            if (StoreError failure = nextResult(wait, raw))
                return broke(failure);
            const Result result(raw, PQclear);
            answered = answered || result != nullptr;
            if (item.sync) {
                if (PQresultStatus(result.get()) == PGRES_PIPELINE_SYNC)
                    break;
                // Not what this flight sent: the connection cannot be trusted with another.
                const StoreError failure = connectionFailure();
                abandon();
                return failure;
            }
            if (!result)
                break; // the end of this statement's results
            StoreError failure = take(result.get(), item, aborted);
            if (failure && item.statement && item.statement->optional)
                optionalFailure = failure;
            else if (failure && !error)
                error = failure;
            aborted = aborted || failure;
        }
        if (item.statement && !item.sync)
            item.statement->done = !aborted;
        // A statement that has to run, aborted by an optional one before it, fails with it.
        if (aborted && item.statement && !item.statement->optional && !error)
            error = optionalFailure ? optionalFailure : connectionFailure();
    }
    PQexitPipelineMode(m_conn);
    return error;
}

// A statement's result handed on: its rows, its count of rows changed, or its failure.
StoreError PostgresSession::take(pg_result* result, const Item& item, bool& aborted)
{
    Statement* statement = item.statement;
    switch (PQresultStatus(result)) {
    case PGRES_TUPLES_OK:
        if (!statement)
            return {};
        if (std::vector<qint64>* keys = statement->keys) {
            // A million keys come in binary, eight bytes a key, in one result that is let go at once.
            const int rows = PQntuples(result);
            keys->reserve(keys->size() + std::size_t(rows));
            for (int r = 0; r < rows; ++r)
                keys->push_back(qFromBigEndian<qint64>(PQgetvalue(result, r, 0)));
        } else if (statement->onRow) {
            for (int r = 0, count = PQntuples(result); r < count; ++r)
                statement->onRow(PostgresRow(result, r));
        }
        return {};
    case PGRES_COMMAND_OK:
        if (const char* changed = PQcmdTuples(result); statement && statement->rowsAffected && *changed)
            *statement->rowsAffected = QByteArrayView(changed).toLongLong();
        return {};
    case PGRES_EMPTY_QUERY: return {};
    case PGRES_PIPELINE_ABORTED: aborted = true; return {};
    default: break;
    }
    return resultFailure(result);
}

// A flight larger than the socket's buffer goes out as the server reads it.
StoreError PostgresSession::flush(ServerWait& wait)
{
    for (int flushed = PQflush(m_conn); flushed != 0; flushed = PQflush(m_conn)) {
        if (flushed < 0)
            return connectionFailure();
        const ServerWait::Outcome outcome = wait.forSocket(PQsocket(m_conn), ServerWait::Want::Either);
        if (outcome != ServerWait::Outcome::Ready)
            return giveUp(wait, int(outcome));
        if (!PQconsumeInput(m_conn))
            return connectionFailure();
    }
    return {};
}

// The next result of what was sent, once it is in; null at the end of a statement's results.
StoreError PostgresSession::nextResult(ServerWait& wait, pg_result*& result)
{
    while (PQisBusy(m_conn)) {
        const ServerWait::Outcome outcome = wait.forSocket(PQsocket(m_conn), ServerWait::Want::Read);
        if (outcome != ServerWait::Outcome::Ready)
            return giveUp(wait, int(outcome));
        if (!PQconsumeInput(m_conn))
            return connectionFailure();
    }
    result = PQgetResult(m_conn);
    return {};
}

StoreError PostgresSession::resultFailure(const PGresult* result) const
{
    const QString state = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    // Without an SQLSTATE the server never answered: libpq lost the connection.
    if (state.isEmpty())
        return connectionFailure();
    return m_engine.mapFailure(state, QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)), m_server);
}

StoreError PostgresSession::connectionFailure() const
{
    const QString cause = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    return StoreError::make(ServerUnavailable,
                            QStringLiteral("%1: The connection to the server was lost: the server stopped, or the "
                                           "network between failed. Once it is back, the next action connects again. "
                                           "(%2)")
                                .arg(m_server, cause));
}

bool PostgresSession::lost()
{
    // In use by a flight under way, which will tell for itself.
    if (m_busy)
        return false;
    if (!m_conn)
        return true;
    // libpq learns that the server went away only when it reads from the connection, and
    // after a first failed statement it may still call the connection good: reading what
    // is waiting, without blocking, finds a connection the server closed before anything
    // is sent on it.
    for (int reads = 0; reads < 8 && PQstatus(m_conn) == CONNECTION_OK; ++reads) {
        pollfd fd{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0 || !PQconsumeInput(m_conn))
            break;
    }
    return PQstatus(m_conn) == CONNECTION_BAD;
}

bool PostgresSession::reusable()
{
    return !lost() && PQtransactionStatus(m_conn) == PQTRANS_IDLE && PQpipelineStatus(m_conn) == PQ_PIPELINE_OFF;
}

} // namespace vantor
