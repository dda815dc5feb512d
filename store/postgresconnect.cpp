// Connecting to a PostgreSQL server: the location's keywords handed to libpq as they are, one
// attempt waited for without freezing the window, and a failure told from that attempt alone.
#include "postgresengine.h"
#include "postgressession.h"

#include "serverlocation.h"
#include "serverwait.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <libpq-fe.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace vantor {

namespace {

using Options = std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)>;

// What libpq made of one of its keywords for this connection: given, from a service, from
// the environment or its default.
QString usedValue(PGconn* conn, const char* keyword)
{
    const Options options(PQconninfo(conn), PQconninfoFree);
    for (const PQconninfoOption* o = options.get(); o && o->keyword; ++o) {
        if (qstrcmp(o->keyword, keyword) == 0)
            return QString::fromUtf8(o->val);
    }
    return {};
}

// libpq reads no password file that others may read or that is not a plain file, and says so
// on the standard error alone.
bool passwordFileIgnored(const QString& file)
{
    struct stat info { };
    if (file.isEmpty() || ::stat(QFile::encodeName(file).constData(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0;
}

// libpq's account of a failed attempt, without the place in the server's source; the SQLSTATE
// (set apart in `state`) is dropped from the text.
QString causeOf(PGconn* conn, QString& state)
{
    static const QRegularExpression location(QStringLiteral(R"(\n?LOCATION:[^\n]*)"));
    static const QRegularExpression code(QStringLiteral(R"(\b([0-9A-Z]{5}):\s+)"));
    QString text = QString::fromUtf8(PQerrorMessage(conn));
    text.remove(location);
    for (const QRegularExpressionMatch& m : code.globalMatch(text)) {
        // Every SQLSTATE holds a digit; a severity ("FATAL") holds none.
        if (std::any_of(m.capturedView(1).begin(), m.capturedView(1).end(), [](QChar c) { return c.isDigit(); })) {
            state = m.captured(1);
            text.remove(m.capturedStart(), m.capturedLength());
            break;
        }
    }
    return text.simplified();
}

// The translators' context of the advice after a failed open.
struct OpenAdvice {
    Q_DECLARE_TR_FUNCTIONS(vantor::OpenAdvice)
};

} // namespace

// What libpq's own files and settings can mend; the rest a server's administrator mends alike
// whatever the engine.
QString PostgresEngine::openAdvice(const StoreError& error) const
{
    switch (error.number) {
    case ServerCertificateUntrusted:
        return OpenAdvice::tr("Put your department's CA certificate in ~/.postgresql/root.crt, or name its file in "
                              "the location (sslrootcert=...), then start Vantor again.");
    case PasswordFileIgnored:
        return OpenAdvice::tr("Make your password file readable by you alone (chmod 600 ~/.pgpass), then start "
                              "Vantor again.");
    case PasswordRequired:
    case AuthenticationFailed:
        return OpenAdvice::tr("Check the user name and the password: keep the password in ~/.pgpass, a line "
                              "host:port:database:user:password readable by you alone (chmod 600).");
    default: break;
    }
    return Engine::openAdvice(error);
}

Keywords connectionKeywords(const server::ServerAddress& address, const QString& userName, const QString& password)
{
    const QByteArray seconds = QByteArray::number(serverTimeout());
    // The store's bounds on a server that does not answer come first, so that a location that
    // names one of them wins: a connection that takes too long, a network gone quiet (TCP
    // keepalives, and data the server does not acknowledge), a statement the server spends too
    // long on (it is then cancelled there, with nothing stored).
    Keywords keywords{
        {"fallback_application_name", "Vantor"},
        {"connect_timeout", QByteArray::number(std::max(2, serverTimeout()))},
        {"keepalives", "1"},
        {"keepalives_idle", seconds},
        {"keepalives_interval", QByteArray::number(std::max(1, serverTimeout() / 3))},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", QByteArray::number(qint64(serverTimeout()) * 1000)},
    };
    QByteArray options = "-c statement_timeout=" + seconds + 's';
    for (const auto& [keyword, value] : address.keywords) {
        if (keyword == u"options")
            options += ' ' + value.toUtf8(); // after the store's: the location's own settings win
        else
            keywords.append({keyword.toUtf8(), value.toUtf8()});
    }
    keywords.append({"options", options});
    if (!userName.isEmpty())
        keywords.append({"user", userName.toUtf8()});
    if (!password.isEmpty())
        keywords.append({"password", password.toUtf8()});
    return keywords;
}

StoreError PostgresSession::connect(const Keywords& keywords)
{
    ServerWait wait(m_server);
    if (!wait.admitted())
        return ServerWait::refused(m_server);
    std::vector<const char*> names, values;
    for (const auto& [keyword, value] : keywords) {
        names.push_back(keyword.constData());
        values.push_back(value.constData());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectStartParams(names.data(), values.data(), 0);
    if (!m_conn)
        return StoreError::make(EngineFailure, QStringLiteral("%1: libpq is out of memory.").arg(m_server));
    // Verbose errors carry the server's SQLSTATE, which tells a wrong password from a missing
    // database in any language the server speaks.
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    m_busy = true;
    ConnStatusType stage = PQstatus(m_conn);
    PostgresPollingStatusType state = stage == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (state == PGRES_POLLING_READING || state == PGRES_POLLING_WRITING) {
        const ServerWait::Outcome outcome = wait.forSocket(
            PQsocket(m_conn), state == PGRES_POLLING_READING ? ServerWait::Want::Read : ServerWait::Want::Write);
        if (outcome != ServerWait::Outcome::Ready) {
            m_busy = false;
            return giveUp(wait, int(outcome));
        }
        stage = PQstatus(m_conn);
        state = PQconnectPoll(m_conn);
    }
    m_busy = false;
    if (state != PGRES_POLLING_OK) {
        const StoreError error = whyNotConnected(stage);
        abandon();
        return error;
    }
    // Statements are sent and waited for without blocking: a server that stops reading must
    // not hang the program in a write.
    PQsetnonblocking(m_conn, 1);
    return {};
}

// A certificate verify-full refuses is the one failure a reconnect cannot mend: the station may
// be talking to another machine than the department's server, and must not send the password.
// Told apart by libpq's own words, which it gives in English where the program sets no other
// language.
StoreError PostgresSession::certificateRefused(const QString& cause) const
{
    if (cause.contains(u"does not match host name"))
        return StoreError::make(
            ServerNameMismatch,
            QStringLiteral("%1: The server's certificate is made out to another name than \"%2\", the host the "
                           "location names, so the connection was refused: the machine that answered may not be "
                           "your department's server. Name the server in the location exactly as its certificate "
                           "does (the server's administrator knows the name). (%3)")
                .arg(m_server, usedValue(m_conn, "host"), cause));
    if (!cause.contains(u"certificate verify failed") && !cause.contains(u"root certificate file"))
        return {};
    QString authority = usedValue(m_conn, "sslrootcert");
    if (authority.isEmpty())
        authority = QStringLiteral("~/.postgresql/root.crt");
    return StoreError::make(
        ServerCertificateUntrusted,
        QStringLiteral("%1: The server's certificate is not signed by the certificate authority this station "
                       "trusts (the file %2), so the connection was refused: the machine that answered may not be "
                       "your department's server. Put your department's CA certificate in that file, or name its "
                       "file in the location (sslrootcert=...). (%3)")
            .arg(m_server, authority, cause));
}

StoreError PostgresSession::whyNotConnected(int stage) const
{
    QString state;
    const QString cause = causeOf(m_conn, state);
    // Options libpq could not complete, for a location it could read: a service it cannot find.
    if (!PQuser(m_conn)) {
        const QString service
            = usedValue(m_conn, "service").isEmpty() ? qEnvironmentVariable("PGSERVICE") : usedValue(m_conn, "service");
        return StoreError::make(InvalidArgument,
                                QStringLiteral("%1: The location names the service \"%2\", which is not in your "
                                               "service file (~/.pg_service.conf, or the file PGSERVICEFILE names) "
                                               "nor in the machine's, or a service file cannot be read. Check the "
                                               "service's name in the location. (%3)")
                                    .arg(m_server, service, cause));
    }
    if (PQconnectionNeedsPassword(m_conn)) {
        const QString file = usedValue(m_conn, "passfile");
        if (passwordFileIgnored(file))
            return StoreError::make(PasswordFileIgnored,
                                    QStringLiteral("%1: The server wants a password, and your password file %2 is "
                                                   "ignored because others may read it (or it is not a plain file). "
                                                   "Make it yours alone: chmod 600 %2")
                                        .arg(m_server, file));
        return StoreError::make(
            PasswordRequired,
            QStringLiteral("%1: The server wants a password, and none was found. Put it in your password file "
                           "~/.pgpass (or the file PGPASSFILE names), one line host:port:database:user:password "
                           "that only you may read (chmod 600), or name a service of your service file in the "
                           "location.")
                .arg(m_server));
    }
    if (!state.isEmpty())
        return m_engine.mapFailure(state, cause, m_server);
    if (StoreError refused = certificateRefused(cause))
        return refused;
    if (stage == CONNECTION_SSL_STARTUP)
        return StoreError::make(
            SecureConnectionFailed,
            QStringLiteral("%1: The location asks for an encrypted connection (sslmode=%2), and none could be made: "
                           "the server may not offer SSL, or its certificate was not accepted. Ask the server's "
                           "administrator to turn SSL on or to check its certificate. (%3)")
                .arg(m_server, usedValue(m_conn, "sslmode"), cause));
    return m_engine.mapFailure(QString(), cause, m_server);
}

} // namespace vantor
