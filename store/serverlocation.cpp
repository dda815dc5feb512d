#include "serverlocation.h"

#include <QHash>
#include <QMutex>

#include <libpq-fe.h>

#include <memory>
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

struct Remembered {
    QMutex mutex;
    QHash<QString, QString> passwords;
};

Remembered& remembered()
{
    static Remembered store;
    return store;
}

} // namespace

bool isServerUri(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

ServerAddress parse(const QString& uri)
{
    ServerAddress address;
    char* message = nullptr;
    const Options options(PQconninfoParse(uri.trimmed().toUtf8().constData(), &message), PQconninfoFree);
    if (!options) {
        address.error = message ? QString::fromUtf8(message).trimmed() : QStringLiteral("out of memory");
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
    const bool service = !valueOf(options.get(), "service").isEmpty() || qEnvironmentVariableIsSet("PGSERVICE");
    const Options defaults(service ? serviceValues(options.get()) : PQconndefaults(), PQconninfoFree);
    auto pick = [&](const char* keyword) {
        const QString given = valueOf(options.get(), keyword);
        return given.isEmpty() ? valueOf(defaults.get(), keyword) : given;
    };
    address.host = pick("host");
    address.port = pick("port");
    address.user = pick("user");
    address.database = pick("dbname");
    if (address.database.isEmpty())
        address.database = address.user;
    if (address.host.isEmpty())
        address.host = pick("hostaddr");
    return address;
}

QString describe(const ServerAddress& address)
{
    const QString host = address.host.isEmpty() || address.host.startsWith(u'/')
        ? QStringLiteral("this machine (socket folder %1)")
              .arg(address.host.isEmpty() ? QStringLiteral("default") : address.host)
        : address.host;
    QString text = QStringLiteral("database \"%1\" on the PostgreSQL server %2, port %3")
                       .arg(address.database, host, address.port.isEmpty() ? QStringLiteral("5432") : address.port);
    if (!address.user.isEmpty())
        text += QStringLiteral(", user %1").arg(address.user);
    return text;
}

QString describe(const QString& uri)
{
    const ServerAddress address = parse(uri);
    return address.error.isEmpty() ? describe(address) : QStringLiteral("the server location (unreadable)");
}

void rememberPassword(const QString& uri, const QString& password)
{
    QMutexLocker lock(&remembered().mutex);
    remembered().passwords.insert(uri.trimmed(), password);
}

QString rememberedPassword(const QString& uri)
{
    QMutexLocker lock(&remembered().mutex);
    return remembered().passwords.value(uri.trimmed());
}

} // namespace vantor::server
