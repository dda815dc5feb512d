// Which engine serves which Provider of a connection string. An engine lives in a file of
// its own that defines its accessor; adding one is its declaration and its row below.
#include "engine.h"

#include <QRegularExpression>
#include <QStringList>

namespace vantor {

const Engine& sqliteEngine();
const Engine& postgresEngine();

namespace {

struct Registration {
    const Engine& (*engine)();
    // Provider names in lower case; one ending in '*' names the start of a provider.
    QStringList providers;
};

const QList<Registration>& registrations()
{
    // The old Jet provider name is what every window's connection string carries; it
    // stands for the embedded store, as does a connection string that names no provider.
    static const QList<Registration> list = {
        {sqliteEngine, {QString(), QStringLiteral("sqlite"), QStringLiteral("microsoft.jet.oledb*")}},
        {postgresEngine, {QStringLiteral("postgresql"), QStringLiteral("postgres"), QStringLiteral("pgsql")}},
    };
    return list;
}

bool serves(const Registration& registration, const QString& provider)
{
    for (const QString& name : registration.providers) {
        if (name.endsWith(u'*') ? provider.startsWith(name.chopped(1)) : provider == name)
            return true;
    }
    return false;
}

// Whether a location begins like a URI, "name://": a server's, never a file's.
bool looksLikeUri(const QString& location)
{
    static const QRegularExpression uri(QStringLiteral(R"(^\s*[A-Za-z][A-Za-z0-9+.\-]*://)"));
    return uri.match(location).hasMatch();
}

} // namespace

const Engine& Engine::forLocation(const QString& location)
{
    const Engine* firstServer = nullptr;
    for (const Registration& registration : registrations()) {
        const Engine& engine = registration.engine();
        if (engine.claimsLocation(location))
            return engine;
        if (!firstServer && engine.isServer())
            firstServer = &engine;
    }
    // A URI no engine knows is still no file: the server engine refuses it with its reason,
    // where a file of that name would show it as typed, password and all.
    return firstServer && looksLikeUri(location) ? *firstServer : forFiles();
}

const Engine& Engine::forFiles()
{
    // The first engine registered keeps the records in a file.
    return registrations().constFirst().engine();
}

const Engine* Engine::forProvider(const QString& provider)
{
    const QString wanted = provider.trimmed().toLower();
    for (const Registration& registration : registrations()) {
        if (serves(registration, wanted))
            return &registration.engine();
    }
    return nullptr;
}

const Engine* Engine::forConnectionString(const QString& connectionString, ConnectionString& parsed, StoreError& error)
{
    QString parseError;
    parsed = ConnectionString::parse(connectionString, &parseError);
    if (!parseError.isEmpty()) {
        error = StoreError::make(InvalidArgument, parseError);
        return nullptr;
    }
    const Engine* engine = forProvider(parsed.provider());
    if (!engine)
        error = StoreError::make(ProviderNotFound,
                                 QStringLiteral("Provider cannot be found: '%1'.").arg(parsed.provider()));
    return engine;
}

} // namespace vantor
