// What runs on libpq's own connection under Qt's driver: the keysets and pages a record
// set reads, whether a connection was lost, and why one could not be made.
#include "postgresengine.h"

#include "serverlocation.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QtEndian>

#include <libpq-fe.h>
#include <poll.h>

#include <memory>

namespace vantor {

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

PGconn* nativeHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // Qt names the type by the struct behind libpq's typedef.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

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

// Runs `sql` with `parameters` as texts (a null as a null) and hands back its result, or
// the failure mapped as the driver's would be.
StoreError execute(const Engine& engine, PGconn* conn, const QString& sql, const QList<QVariant>& parameters,
                   int resultFormat, const QString& context, Result& result)
{
    QList<QByteArray> texts;
    std::vector<const char*> values;
    texts.reserve(parameters.size());
    for (const QVariant& p : parameters)
        texts << (p.isValid() && !p.isNull() ? p.toString().toUtf8() : QByteArray());
    for (qsizetype i = 0; i < parameters.size(); ++i)
        values.push_back(parameters.at(i).isValid() && !parameters.at(i).isNull() ? texts.at(i).constData() : nullptr);
    result.reset(PQexecParams(conn, numberedParameters(sql).constData(), int(values.size()), nullptr, values.data(),
                              nullptr, nullptr, resultFormat));
    if (result && PQresultStatus(result.get()) == PGRES_TUPLES_OK)
        return {};
    const QString state = result ? QString::fromLatin1(PQresultErrorField(result.get(), PG_DIAG_SQLSTATE)) : QString();
    const QString text = QString::fromUtf8(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(conn));
    return engine.mapError(QSqlError(text, text, QSqlError::StatementError, state), context);
}

} // namespace

// A million keys through the driver cost a QVariant each and the driver's text parsing;
// here they come in binary, eight bytes a key, in one result that is let go at once.
StoreError PostgresEngine::readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                    std::vector<qint64>& keys, const QString& context) const
{
    PGconn* conn = nativeHandle(db);
    if (!conn)
        return Engine::readKeys(db, sql, parameters, keys, context);
    // No stored text holds U+0000 (acceptValue), so a search for one finds nothing; libpq
    // would cut it short and find what it began with.
    for (const QVariant& p : parameters) {
        if (p.typeId() == QMetaType::QString && p.toString().contains(QChar(0)))
            return {};
    }
    Result result(nullptr, PQclear);
    if (StoreError error = execute(*this, conn, sql, parameters, 1, context, result))
        return error;
    const int rows = PQntuples(result.get());
    keys.reserve(keys.size() + std::size_t(rows));
    for (int r = 0; r < rows; ++r)
        keys.push_back(qFromBigEndian<qint64>(PQgetvalue(result.get(), r, 0)));
    return {};
}

StoreError PostgresEngine::readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                    int valueCount, std::vector<KeyedRow>& rows, const QString& context) const
{
    PGconn* conn = nativeHandle(db);
    if (!conn)
        return Engine::readRows(db, sql, parameters, valueCount, rows, context);
    Result result(nullptr, PQclear);
    if (StoreError error = execute(*this, conn, sql, parameters, 0, context, result))
        return error;
    const int count = PQntuples(result.get());
    rows.reserve(rows.size() + std::size_t(count));
    for (int r = 0; r < count; ++r) {
        KeyedRow row;
        row.key = QByteArray::fromRawData(PQgetvalue(result.get(), r, 0), PQgetlength(result.get(), r, 0)).toLongLong();
        row.values.reserve(valueCount);
        for (int f = 1; f <= valueCount; ++f) {
            if (PQgetisnull(result.get(), r, f))
                row.values << QVariant();
            else
                row.values << QVariant(
                    QString::fromUtf8(PQgetvalue(result.get(), r, f), PQgetlength(result.get(), r, f)));
        }
        rows.push_back(std::move(row));
    }
    return {};
}

StoreError PostgresEngine::readTexts(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                     QStringList& texts, const QString& context) const
{
    PGconn* conn = nativeHandle(db);
    if (!conn)
        return StoreError::closed();
    Result result(nullptr, PQclear);
    if (StoreError error = execute(*this, conn, sql, parameters, 0, context, result))
        return error;
    for (int r = 0; r < PQntuples(result.get()); ++r)
        texts << QString::fromUtf8(PQgetvalue(result.get(), r, 0), PQgetlength(result.get(), r, 0));
    return {};
}

bool PostgresEngine::connectionLost(const QSqlDatabase& db) const
{
    if (!db.isOpen())
        return true;
    PGconn* conn = nativeHandle(db);
    if (!conn)
        return false;
    // libpq learns that the server went away only when it reads from the connection, and
    // after a first failed statement it may still call the connection good: reading what
    // is waiting, without blocking, finds a connection the server closed before anything
    // is sent on it.
    for (int reads = 0; reads < 8 && PQstatus(conn) == CONNECTION_OK; ++reads) {
        pollfd fd{PQsocket(conn), POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0 || !PQconsumeInput(conn))
            break;
    }
    return PQstatus(conn) == CONNECTION_BAD;
}

StoreError PostgresEngine::whyNoConnection(const QString& uri, const QString& password) const
{
    QString info = conninfoOptions(uri).replace(u';', u' ');
    if (!password.isEmpty())
        info += QStringLiteral(" password=") + conninfoValue(password);
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectStart(info.toUtf8().constData()), PQfinish);
    if (!conn)
        return StoreError::make(EngineFailure, QStringLiteral("libpq is out of memory."));
    // Verbose errors carry the server's SQLSTATE, which tells a wrong password from a
    // missing database in any language the server speaks.
    PQsetErrorVerbosity(conn.get(), PQERRORS_VERBOSE);
    const QDeadlineTimer deadline(15000);
    PostgresPollingStatusType state
        = PQstatus(conn.get()) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED && !deadline.hasExpired()) {
        pollfd fd{PQsocket(conn.get()), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 1000))) < 0)
            break;
        state = PQconnectPoll(conn.get());
    }
    if (state == PGRES_POLLING_OK)
        return {};
    const QString where = describeSource(uri);
    if (PQconnectionNeedsPassword(conn.get()))
        return StoreError::make(
            PasswordRequired,
            QStringLiteral("%1: The server wants a password, and none was found. Put it in your password file "
                           "~/.pgpass (or the file PGPASSFILE names), one line host:port:database:user:password "
                           "that only you may read (chmod 600), or name a service of your service file in the "
                           "location.")
                .arg(where));
    static const QRegularExpression sqlState(QStringLiteral(R"(\b(?:FATAL|ERROR):\s+([0-9A-Z]{5}):\s)"));
    static const QRegularExpression location(QStringLiteral(R"(\n?LOCATION:[^\n]*)"));
    QString text = QString::fromUtf8(PQerrorMessage(conn.get()));
    const QString code = sqlState.match(text).captured(1);
    text.remove(location);
    if (!code.isEmpty())
        text.replace(code + QStringLiteral(": "), QString());
    return mapError(QSqlError(text, text, QSqlError::ConnectionError, code), where);
}

} // namespace vantor
