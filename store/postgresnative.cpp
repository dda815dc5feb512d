// Statements on a connection to a PostgreSQL server: sent with their values in one round
// trip, their answers waited for without freezing the window, their rows handed on.
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

const QByteArray Begin = QByteArrayLiteral("BEGIN");
const QString Commit = QStringLiteral("COMMIT");
const QString Rollback = QStringLiteral("ROLLBACK");

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

StoreError PostgresSession::run(const QString& sql, const QVariantList& parameters, Columns columns,
                                const RowHandler& onRow, qint64* rowsAffected)
{
    if (holdsNul(parameters))
        return StoreError::make(InvalidArgument,
                                QStringLiteral("%1: The server cannot store the character NUL (code 0) that a value "
                                               "holds.")
                                    .arg(m_server));
    const ResultHandler rows = [&onRow](PGresult* result) {
        if (!onRow)
            return;
        for (int r = 0, count = PQntuples(result); r < count; ++r)
            onRow(PostgresRow(result, r));
    };
    const int format = columns == Columns::KeysAndTexts ? 1 : 0;
    if (m_conn && !m_busy && isWrite(sql) && PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return executeCommitted(sql, parameters, format, rows, rowsAffected);
    return execute(sql, parameters, format, rows, rowsAffected);
}

// A million keys come in binary, eight bytes a key, in one result that is let go at once.
StoreError PostgresSession::readKeys(const QString& sql, const QVariantList& parameters, std::vector<qint64>& keys)
{
    // A search for a text with U+0000 finds nothing: no stored text holds one.
    if (holdsNul(parameters))
        return {};
    return execute(
        sql, parameters, 1,
        [&keys](PGresult* result) {
            const int rows = PQntuples(result);
            keys.reserve(keys.size() + std::size_t(rows));
            for (int r = 0; r < rows; ++r)
                keys.push_back(qFromBigEndian<qint64>(PQgetvalue(result, r, 0)));
        },
        nullptr);
}

StoreError PostgresSession::execute(const QString& sql, const QVariantList& parameters, int resultFormat,
                                    const ResultHandler& onResult, qint64* rowsAffected)
{
    if (m_busy)
        return ServerWait::refused(m_server);
    if (!m_conn)
        return StoreError::make(ServerUnavailable,
                                QStringLiteral("%1: The connection to the server was closed after an earlier request "
                                               "went unanswered; the next action connects again.")
                                    .arg(m_server));
    ServerWait wait(m_server);
    if (!wait.admitted())
        return ServerWait::refused(m_server);
    m_busy = true;
    const auto idle = qScopeGuard([this] { m_busy = false; });

    const Bound bound(parameters);
    if (!PQsendQueryParams(m_conn, numberedParameters(sql).constData(), bound.count(), bound.types.data(),
                           bound.values.data(), bound.lengths.data(), bound.formats.data(), resultFormat))
        return connectionFailure();
    if (StoreError error = flush(wait))
        return error;
    return awaitResults(wait, onResult, rowsAffected);
}

// BEGIN and the write go out in one flight (libpq's pipeline), and COMMIT follows only once
// the write's answer is in: a write given up unanswered is then rolled back by the server when
// it finds the connection closed, never stored later by a server that was only slow.
StoreError PostgresSession::executeCommitted(const QString& sql, const QVariantList& parameters, int resultFormat,
                                             const ResultHandler& onResult, qint64* rowsAffected)
{
    StoreError error;
    {
        ServerWait wait(m_server);
        if (!wait.admitted())
            return ServerWait::refused(m_server);
        m_busy = true;
        const auto idle = qScopeGuard([this] { m_busy = false; });
        const Bound bound(parameters);
        if (!PQenterPipelineMode(m_conn)
            || !PQsendQueryParams(m_conn, Begin.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)
            || !PQsendQueryParams(m_conn, numberedParameters(sql).constData(), bound.count(), bound.types.data(),
                                  bound.values.data(), bound.lengths.data(), bound.formats.data(), resultFormat)
            || !PQpipelineSync(m_conn))
            return connectionFailure();
        if ((error = flush(wait)))
            return error;
        error = awaitResults(wait, onResult, rowsAffected, true);
        if (!m_conn)
            return error;
        PQexitPipelineMode(m_conn);
    }
    if (error) {
        if (PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            execute(Rollback, {}, 0, {}, nullptr);
        return error;
    }
    return execute(Commit, {}, 0, {}, nullptr);
}

// A statement larger than the socket's buffer goes out as the server reads it.
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

// Reads every result of what was sent: one statement's, or in a pipeline each statement's in
// turn up to the pipeline's end.
StoreError PostgresSession::awaitResults(ServerWait& wait, const ResultHandler& onResult, qint64* rowsAffected,
                                         bool pipeline)
{
    StoreError error;
    for (;;) {
        while (PQisBusy(m_conn) && PQstatus(m_conn) != CONNECTION_BAD) {
            const ServerWait::Outcome outcome = wait.forSocket(PQsocket(m_conn), ServerWait::Want::Read);
            if (outcome != ServerWait::Outcome::Ready)
                return giveUp(wait, int(outcome));
            if (!PQconsumeInput(m_conn))
                break;
        }
        if (PQstatus(m_conn) == CONNECTION_BAD && PQisBusy(m_conn))
            return connectionFailure();
        const Result result(PQgetResult(m_conn), PQclear);
        if (!result) {
            if (pipeline && PQstatus(m_conn) != CONNECTION_BAD)
                continue; // the end of one statement's results
            break;
        }
        switch (PQresultStatus(result.get())) {
        case PGRES_TUPLES_OK:
            if (!error)
                onResult(result.get());
            break;
        case PGRES_COMMAND_OK:
            if (const char* changed = PQcmdTuples(result.get()); rowsAffected && *changed)
                *rowsAffected = QByteArrayView(changed).toLongLong();
            break;
        case PGRES_PIPELINE_SYNC: return error;
        case PGRES_PIPELINE_ABORTED: break;
        default:
            if (!error)
                error = resultFailure(result.get());
            break;
        }
    }
    return error;
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
    // In use by a statement under way, which will tell for itself.
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

} // namespace vantor
