#include "serverlocation.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <vector>

namespace vantor::server {

namespace {

using Options = std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)>;

QString valueOf(const PQconninfoOption* options, const char* keyword)
{
    for (const PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (qstrcmp(o->keyword, keyword) == 0 && o->val && *o->val)
            return QString::fromUtf8(o->val);
    }
    return {};
}

// The values libpq uses for a location that names a service: the service's own host, port,
// database and user where the location gives none. libpq fills them in before it checks the
// values it was given; handed an sslmode it refuses, it stops there, before any network.
PQconninfoOption* serviceValues(const PQconninfoOption* given)
{
    std::vector<const char*> keywords, values;
    for (const PQconninfoOption* o = given; o->keyword; ++o) {
        if (o->val && qstrcmp(o->keyword, "password") != 0 && qstrcmp(o->keyword, "sslmode") != 0) {
            keywords.push_back(o->keyword);
            values.push_back(o->val);
        }
    }
    // No password file is read either: libpq would warn on stderr of one others may read.
    keywords.insert(keywords.end(), {"sslmode", "passfile", nullptr});
    values.insert(values.end(), {"none, only to see the service", "/nonexistent/vantor", nullptr});
    PGconn* conn = PQconnectStartParams(keywords.data(), values.data(), 0);
    PQconninfoOption* used = PQconninfo(conn);
    PQfinish(conn);
    return used;
}

// "scheme:" at the start of a location, a scheme as RFC 3986 writes it.
const QRegularExpression& schemeAtStart()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*([A-Za-z][A-Za-z0-9+.\-]*):)"));
    return pattern;
}

bool isPostgresScheme(const QString& scheme)
{
    return scheme.compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0
        || scheme.compare(QLatin1String("postgres"), Qt::CaseInsensitive) == 0;
}

// libpq's key=value form begins with a keyword and its '='.
const QRegularExpression& keywordAtStart()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*[A-Za-z_][A-Za-z0-9_]*\s*=)"));
    return pattern;
}

// A password parameter, in a URI's query or a key=value string, its value quoted or not.
const QRegularExpression& passwordParameter()
{
    static const QRegularExpression pattern(QStringLiteral(R"((^|[\s?&])password\s*=\s*('(?:[^'\\]|\\.)*'?|[^\s&]*))"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Where the password of a URI's user:password@ lies: after the first ':' of what follows the
// scheme and its slashes, up to the last '@' before the query. Found by hand, not by libpq, so
// that a URI libpq cannot read gives its password up too.
std::optional<std::pair<qsizetype, qsizetype>> userPassword(const QString& text)
{
    const QRegularExpressionMatch scheme = schemeAtStart().match(text);
    if (!scheme.hasMatch())
        return std::nullopt;
    qsizetype begin = scheme.capturedEnd();
    while (begin < text.size() && text.at(begin) == u'/')
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && text.at(end) != u'?' && text.at(end) != u'#')
        ++end;
    const qsizetype at = text.lastIndexOf(u'@', end - 1);
    const qsizetype colon = text.indexOf(u':', begin);
    if (at < begin || colon < 0 || colon > at)
        return std::nullopt;
    return std::pair{colon, at};
}

// Every password the location holds, as written in it.
QStringList passwordsIn(const QString& text)
{
    QStringList passwords;
    if (const auto range = userPassword(text))
        passwords << text.mid(range->first + 1, range->second - range->first - 1);
    for (auto it = passwordParameter().globalMatch(text); it.hasNext();) {
        const QString value = it.next().captured(2);
        passwords << value;
        if (value.startsWith(u'\''))
            passwords << value.mid(1).chopped(value.endsWith(u'\'') && value.size() > 1 ? 1 : 0);
    }
    passwords.removeAll(QString());
    return passwords;
}

// libpq's reason for refusing a location quotes the part it could not read, often the whole
// location: the quotes are shown without the password, and no password is left anywhere.
QString withoutPasswords(QString message, const QString& location)
{
    static const QRegularExpression quoted(QStringLiteral(R"re("([^"]*)")re"));
    QString shown;
    qsizetype done = 0;
    for (auto it = quoted.globalMatch(message); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        shown += message.mid(done, match.capturedStart(1) - done) + withoutPassword(match.captured(1));
        done = match.capturedEnd(1);
    }
    shown += message.mid(done);
    for (const QString& password : passwordsIn(location))
        shown.replace(password, QStringLiteral("(password left out)"));
    return shown;
}

} // namespace

bool isServerUri(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool isPostgresLocation(const QString& text)
{
    const QRegularExpressionMatch scheme = schemeAtStart().match(text);
    if (scheme.hasMatch())
        return isPostgresScheme(scheme.captured(1));
    return keywordAtStart().match(text).hasMatch();
}

ServerAddress parse(const QString& location)
{
    ServerAddress address;
    QString text = location.trimmed();
    if (const QRegularExpressionMatch scheme = schemeAtStart().match(text); scheme.hasMatch()) {
        if (!isPostgresScheme(scheme.captured(1))) {
            address.error = QStringLiteral("it begins with %1:, and a server location begins with postgresql://")
                                .arg(scheme.captured(1));
            return address;
        }
        if (!text.mid(scheme.capturedEnd()).startsWith(QLatin1String("//"))) {
            address.error = QStringLiteral("a server location begins with postgresql:// (two slashes)");
            return address;
        }
        // A scheme is caseless, but libpq knows it in lower case alone.
        text.replace(0, scheme.capturedEnd(1), scheme.captured(1).toLower());
    }
    char* message = nullptr;
    const Options options(PQconninfoParse(text.toUtf8().constData(), &message), PQconninfoFree);
    if (!options) {
        address.error
            = message ? withoutPasswords(QString::fromUtf8(message).trimmed(), text) : QStringLiteral("out of memory");
        PQfreemem(message);
        return address;
    }
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val)
            continue;
        if (qstrcmp(o->keyword, "password") == 0) {
            address.namesPassword = true;
            continue;
        }
        address.keywords.append({QString::fromUtf8(o->keyword), QString::fromUtf8(o->val)});
    }
    address.service = valueOf(options.get(), "service");
    if (address.service.isEmpty())
        address.service = qEnvironmentVariable("PGSERVICE");
    // Where a service is named, its file gives what the location leaves out, not libpq's defaults.
    const Options defaults(address.service.isEmpty() ? PQconndefaults() : serviceValues(options.get()), PQconninfoFree);
    auto pick = [&](const char* keyword) {
        const QString given = valueOf(options.get(), keyword);
        return given.isEmpty() ? valueOf(defaults.get(), keyword) : given;
    };
    address.host = pick("host");
    address.port = pick("port");
    address.user = pick("user");
    address.database = pick("dbname");
    if (address.database.isEmpty() && address.service.isEmpty())
        address.database = address.user;
    if (address.host.isEmpty())
        address.host = pick("hostaddr");
    return address;
}

QString withoutPassword(const QString& location)
{
    QString text = location;
    if (const auto range = userPassword(text))
        text.remove(range->first, range->second - range->first);
    text.replace(passwordParameter(), QStringLiteral("\\1"));
    text.replace(QStringLiteral("?&"), QStringLiteral("?")).replace(QStringLiteral("&&"), QStringLiteral("&"));
    while (text.endsWith(u'?') || text.endsWith(u'&'))
        text.chop(1);
    return text.trimmed();
}

QString describe(const ServerAddress& address)
{
    const QString host = address.host.isEmpty() || address.host.startsWith(u'/')
        ? QStringLiteral("this machine (socket folder %1)")
              .arg(address.host.isEmpty() ? QStringLiteral("default") : address.host)
        : address.host;
    if (!address.service.isEmpty()) {
        QString text = QStringLiteral("the PostgreSQL service \"%1\"").arg(address.service);
        if (!address.database.isEmpty())
            text += QStringLiteral(", database \"%1\"").arg(address.database);
        if (!address.host.isEmpty())
            text += QStringLiteral(", server %1").arg(host);
        if (!address.port.isEmpty())
            text += QStringLiteral(", port %1").arg(address.port);
        if (!address.user.isEmpty())
            text += QStringLiteral(", user %1").arg(address.user);
        return text;
    }
    QString text = QStringLiteral("database \"%1\" on the PostgreSQL server %2, port %3")
                       .arg(address.database, host, address.port.isEmpty() ? QStringLiteral("5432") : address.port);
    if (!address.user.isEmpty())
        text += QStringLiteral(", user %1").arg(address.user);
    return text;
}

QString describe(const QString& location)
{
    const ServerAddress address = parse(location);
    return address.error.isEmpty()
        ? describe(address)
        : QStringLiteral("the server location %1 (unreadable)").arg(withoutPassword(location));
}

} // namespace vantor::server
