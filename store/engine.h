#pragma once

#include "connectionstring.h"
#include "storeerror.h"
#include "textrows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace vantor {

// One row as a record set reads it: its key and its values, each as text or, for a null,
// as an invalid QVariant.
struct KeyedRow {
    qint64 key = 0;
    QList<QVariant> values;
};

// A table, its columns and its single-column indexes, which serve comparisons and sorting
// without regard to case. MT's columns all hold text; the tables beside it keep dates,
// numbers and bytes as such, and may belong to the rows of another table.
struct TableDefinition {
    enum class Type { Text, Date, Number, Integer, Bytes };
    struct Index {
        QString name;
        QString column;
    };
    // An index for exact lookups over one or more columns.
    struct Lookup {
        QString name;
        QStringList columns;
        bool unique = false;
    };
    // Rows that belong to a row of `table`: `column` holds that row's hidden key. They go
    // when it goes, whoever deletes it (an earlier program too), and none can name a row
    // that is not there. Where `copyColumn` is named, it keeps the owner's `ownerColumn`,
    // the database following every change of it: a row whose copy is not its owner's shows
    // that the owner's key now names another row.
    struct Owner {
        QString column;
        QString table;
        QString copyColumn = {};
        QString ownerColumn = {};
    };
    QString name;
    QStringList columns;
    QList<Index> indexes = {};
    QHash<QString, Type> types = {}; // columns not named hold text
    QStringList required = {}; // columns never null
    // A hidden row key of its own, "row_key": never handed out twice, and kept by every
    // rebuild of the file.
    bool ownKey = false;
    std::optional<Owner> owner = {};
    QList<Lookup> lookups = {};

    Type typeOf(const QString& column) const { return types.value(column, Type::Text); }
};

// What one database engine needs to carry the store: how to reach a file or server,
// how to speak the Jet SQL texts the windows send, how to name a row, how to lay out
// a new database, and how its failures read. SQLite is the embedded default; a server
// engine slots in beside it (see engineregistry.cpp).
class Engine
{
public:
    virtual ~Engine() = default;

    virtual QString name() const = 0;

    // Whether the records lie on a database server rather than in a file.
    virtual bool isServer() const { return false; }
    // A connection string's Data Source as a message names it; never with a password.
    virtual QString describeSource(const QString& dataSource) const { return dataSource; }

    // Opens `db` (already added with qtDriver()) for the given connection string.
    // Never creates a database that is not there.
    virtual StoreError open(QSqlDatabase& db, const ConnectionString& cs) const = 0;

    // Makes the empty database a connection string names, so that open() finds it, and
    // refuses to touch one that is already there.
    virtual StoreError createEmpty(const ConnectionString& cs) const = 0;
    // Takes back what createEmpty() made, once a later step of creating the records failed.
    virtual void discardCreated(const ConnectionString& cs) const = 0;

    // The statements that create `table` and its indexes, run in one transaction.
    virtual QStringList createTableStatements(const TableDefinition& table) const = 0;

    // Lists the columns of `table` in the table's order into `columns`; an empty list when
    // there is no such table. The default asks Qt's driver, to which a table it cannot read
    // is no table.
    virtual StoreError tableColumns(const QSqlDatabase& db, const QString& table, QStringList& columns,
                                    const QString& context) const;

    // Translates a Jet SQL text into the engine's own dialect: by default through
    // translateJet() (jetdialect.h) with the pieces below, over table MT.
    virtual QString translate(const QString& jetSql) const;

    // The hidden column that identifies a row of a table, unique and stable.
    virtual QString rowKeyColumn() const = 0;

    // Runs `insertSql`, an INSERT of one row with `values` bound in order, and reads the new
    // row's key back from that statement itself: a connection-wide "last key" could belong to
    // another statement. The default appends RETURNING with the row key column.
    virtual StoreError insertRow(const QSqlDatabase& db, const QString& insertSql, const QList<QVariant>& values,
                                 qint64& key, const QString& context) const;

    // Runs `sql`, whose one column is the row key, with `parameters` bound in order, and
    // appends every key to `keys`; a failure reads as `context`'s. A record set's keyset comes from here, so a table of
    // a million records opens only as fast as this reads; an engine may go around the general query interface to read
    // them faster. The default goes through QSqlQuery.
    virtual StoreError readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                std::vector<qint64>& keys, const QString& context) const;

    // Runs `sql`, whose first column is the row key and whose `valueCount` others are
    // values, and appends its rows to `rows`. A record set's pages come from here.
    virtual StoreError readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                int valueCount, std::vector<KeyedRow>& rows, const QString& context) const;

    // Runs `sql`, whose first column is the row key and whose others are the values of
    // `rows`, and appends every row to `rows`. A record set that reads its whole list at once
    // comes from here: one pass over the table, where a keyset and its pages take two.
    virtual StoreError readTextRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                    TextRows& rows, const QString& context) const;

    // Refuses a value that the engine cannot store exactly as given, rather than store
    // another; `field` names it in the description.
    virtual StoreError acceptValue(const QString& field, const QVariant& value) const;

    // Whether the connection under `db` was lost (a server stopped or restarted, a network
    // gone): the store then opens it anew before its next statement.
    virtual bool connectionLost(const QSqlDatabase& db) const;

    // A condition that is true when `column` equals the bound value, nulls included.
    virtual QString nullSafeEquals(const QString& quotedColumn) const = 0;

    // A name in SQL's standard double quotes, which both engines take.
    virtual QString quoteIdentifier(const QString& name) const;

    // The expression giving the current calendar year as text, by the engine's own clock.
    virtual QString currentYearExpression() const = 0;

    // The pieces translate() builds a Jet text's comparisons and sorting from (jetdialect.h).
    // `operand` (a column, a literal or a parameter) as one side of a comparison of texts
    // without regard to case; the optimistic lock's nullSafeEquals() stays exact.
    virtual QString caseless(const QString& operand) const = 0;
    // A column as a sort key without regard to case, nulls first when ascending.
    virtual QString caselessOrder(const QString& column, bool descending) const = 0;
    // The whole number a text holds, blanks around it ignored; null for any other text.
    virtual QString numberIn(const QString& operand) const = 0;
    // The current calendar year as a number, by the engine's own clock.
    virtual QString currentYearNumber() const = 0;

    virtual StoreError mapError(const QSqlError& error, const QString& context = {}) const = 0;

    virtual QString qtDriver() const = 0;

    // The engine that serves a connection string's Provider, or null.
    static const Engine* forProvider(const QString& provider);
    // The same, for a whole connection string; a failure says what is wrong with it.
    static const Engine* forConnectionString(const QString& connectionString, ConnectionString& parsed,
                                             StoreError& error);

protected:
    // What insertRow() reports when the statement stored its row but handed back no key.
    static StoreError keyNotReadBack();
    // A failure's text, after the records it concerns where the caller named them.
    static QString describe(const QString& context, const QString& text)
    {
        return context.isEmpty() ? text : context + QStringLiteral(": ") + text;
    }
};

} // namespace vantor
