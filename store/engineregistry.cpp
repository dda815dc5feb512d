// Which engine serves which Provider of a connection string. An engine lives in a file of
// its own that defines its accessor; adding one is its declaration and its row below.
#include "engine.h"

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

} // namespace

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
