#include "fulldisk.h"

#include <sqliteengine.h>

namespace vantor::test {

namespace {

// SQLite as it opens a file, then held to the pages the file has.
class FullDiskEngine final : public SqliteEngine
{
public:
    std::unique_ptr<Session> open(const ConnectionString& cs, const QString& userName, const QString& password,
                                  const TableDefinition& table, StoreError& error) const override
    {
        std::unique_ptr<Session> session = SqliteEngine::open(cs, userName, password, table, error);
        if (session)
            error = session->run(QStringLiteral("PRAGMA max_page_count=1"), {}, Columns::Any, {});
        return error ? nullptr : std::move(session);
    }
};

// It outlives the connections it opened, which keep it as their engine.
const Engine& fullDiskEngine()
{
    static const FullDiskEngine engine;
    return engine;
}

} // namespace

ScopedFullDisk::ScopedFullDisk()
    : m_registration(fullDiskEngine(), {QString(), QStringLiteral("sqlite"), QStringLiteral("microsoft.jet.oledb*")})
{
}

} // namespace vantor::test
