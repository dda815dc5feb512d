#pragma once

#include "connectionstring.h"
#include "storeerror.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <memory>

namespace vantor {

// What one database engine needs to carry the store: how to reach a file or server,
// how to speak the Jet SQL texts the windows send, how to name a row, and how its
// failures read. SQLite is the embedded default; a server engine slots in beside it.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual QString name() const = 0;

    // Opens `db` (already added with qtDriver()) for the given connection string.
    // Never creates a database that is not there.
    virtual StoreError open(QSqlDatabase& db, const ConnectionString& cs) const = 0;

    // Translates a Jet SQL text into the engine's own dialect.
    virtual QString translate(const QString& jetSql) const = 0;

    // The hidden column that identifies a row of a table, unique and stable.
    virtual QString rowKeyColumn() const = 0;

    // A condition that is true when `column` equals the bound value, nulls included.
    virtual QString nullSafeEquals(const QString& quotedColumn) const = 0;

    virtual QString quoteIdentifier(const QString& name) const = 0;

    // The expression giving the current calendar year as text, by the engine's own clock.
    virtual QString currentYearExpression() const = 0;

    virtual StoreError mapError(const QSqlError& error, const QString& context = {}) const = 0;

    virtual QString qtDriver() const = 0;

    // The engine that serves a connection string's Provider, or null.
    static const Engine* forProvider(const QString& provider);
};

} // namespace vantor
