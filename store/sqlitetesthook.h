#pragma once

// For tests only: the program itself installs no hook.

#include <QSqlDatabase>

#include <functional>

namespace vantor::testhooks {

// While it lives, runs `hook` on every SQLite connection the store opens, after the store's
// own settings, so that a test can give a connection a limit a real machine would impose
// (a disk that is full) without imposing it on the machine.
class ScopedSqliteConnectionHook
{
public:
    explicit ScopedSqliteConnectionHook(std::function<void(QSqlDatabase&)> hook);
    ~ScopedSqliteConnectionHook();
    ScopedSqliteConnectionHook(const ScopedSqliteConnectionHook&) = delete;
    ScopedSqliteConnectionHook& operator=(const ScopedSqliteConnectionHook&) = delete;

    // Runs the installed hook, if any, on a connection the SQLite engine has just opened.
    static void runOn(QSqlDatabase& db);
};

} // namespace vantor::testhooks
