// Which engine serves which Provider of a connection string. An engine lives in a file of
// its own that defines its accessor; adding one is its declaration and its row below.
#include "engineregistration.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>

namespace vantor {

const Engine& sqliteEngine();
const Engine& postgresEngine();

namespace {

struct Registration {
    const Engine& (*engine)();
    const Engine* added; // an engine registered while the program runs, in place of `engine`
    // Provider names in lower case; one ending in '*' names the start of a provider.
    QStringList providers;

    const Engine& get() const { return added ? *added : engine(); }
};

const QList<Registration>& registrations()
{
    // The old Jet provider name is what every window's connection string carries; it
    // stands for the embedded store, as does a connection string that names no provider.
    static const QList<Registration> list = {
        {sqliteEngine, nullptr, {QString(), QStringLiteral("sqlite"), QStringLiteral("microsoft.jet.oledb*")}},
        {postgresEngine, nullptr, {QStringLiteral("postgresql"), QStringLiteral("postgres"), QStringLiteral("pgsql")}},
    };
    return list;
}

// Engines registered while the program runs, ahead of its own.
QList<Registration>& added()
{
    static QList<Registration> list;
    return list;
}

// The first registration, added ones first, for which `pick` holds.
template<typename Pick>
const Registration* firstWhere(Pick pick)
{
    const std::array<const QList<Registration>*, 2> lists{&added(), &registrations()};
    for (const QList<Registration>* list : lists) {
        for (const Registration& registration : *list) {
            if (pick(registration))
                return &registration;
        }
    }
    return nullptr;
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

EngineRegistration::EngineRegistration(const Engine& engine, const QStringList& providers)
{
    added().prepend({nullptr, &engine, providers});
}

EngineRegistration::~EngineRegistration()
{
    added().removeFirst();
}

const Engine& Engine::forLocation(const QString& location)
{
    if (const Registration* claimed
        = firstWhere([&](const Registration& r) { return r.get().claimsLocation(location); }))
        return claimed->get();
    // A URI no engine knows is still no file: a server engine refuses it with its reason, where
    // a file of that name would show it as typed, password and all.
    if (looksLikeUri(location)) {
        if (const Registration* server = firstWhere([](const Registration& r) { return r.get().isServer(); }))
            return server->get();
    }
    return forFiles();
}

const Engine& Engine::forFiles()
{
    // The file engine, or one registered in its place: a connection string that names no
    // provider stands for the embedded store.
    return *forProvider(QString());
}

const Engine* Engine::forProvider(const QString& provider)
{
    const QString wanted = provider.trimmed().toLower();
    const Registration* found = firstWhere([&](const Registration& r) { return serves(r, wanted); });
    return found ? &found->get() : nullptr;
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
