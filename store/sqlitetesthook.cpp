#include "sqlitetesthook.h"

namespace vantor::testhooks {

namespace {
std::function<void(QSqlDatabase&)>& installed()
{
    static std::function<void(QSqlDatabase&)> hook;
    return hook;
}
} // namespace

ScopedSqliteConnectionHook::ScopedSqliteConnectionHook(std::function<void(QSqlDatabase&)> hook)
{
    installed() = std::move(hook);
}

ScopedSqliteConnectionHook::~ScopedSqliteConnectionHook()
{
    installed() = nullptr;
}

void ScopedSqliteConnectionHook::runOn(QSqlDatabase& db)
{
    if (const auto& hook = installed())
        hook(db);
}

} // namespace vantor::testhooks
