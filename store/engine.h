#pragma once

#include "connectionstring.h"
#include "storeerror.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantor {

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

// What the columns of a result hold, so that an engine reads them the cheapest way it can.
enum class Columns {
    Any, // of any type: read back as text, bytes or null
    KeysAndTexts, // row keys and texts alone: a record set's own reads
};

// One row of a result as an engine hands it over, valid only during the call it is handed to.
class ResultRow
{
public:
    virtual int columnCount() const = 0;
    virtual bool isNull(int column) const = 0;
    // A whole number: a row key, a count.
    virtual qint64 number(int column) const = 0;
    // A value as UTF-8 text, valid until the next call; a number in Qt's own text form.
    virtual QByteArrayView text(int column) const = 0;
    // Bytes (a BLOB on a file, bytea on a server) rather than text.
    virtual bool isBytes(int column) const = 0;
    virtual QByteArray bytes(int column) const = 0;

protected:
    ~ResultRow() = default;
};
using RowHandler = std::function<void(const ResultRow&)>;

// One statement as a session runs it: its text in the engine's dialect, its '?' marks bound in
// order from `parameters` (text, a whole number, bytes as QByteArray, or null: an invalid or
// null QVariant), and where its answer goes.
struct Statement {
    QString sql;
    QVariantList parameters = {};
    Columns columns = Columns::Any;
    RowHandler onRow = {}; // every row of the result, where given
    // Where given, the statement's one column is the row key, and every key is appended here:
    // a record set's keyset, read the engine's fastest way (a million keys open a table only as
    // fast as they are read).
    std::vector<qint64>* keys = nullptr;
    qint64* rowsAffected = nullptr; // the rows it changed, where given
    // A read whose failure is its own (a page read ahead): it fails no other statement of its
    // batch, and only `done` tells.
    bool optional = false;
    bool done = false; // set once the statement has run and its rows are handed over
};

// One open connection of an engine: what a Connection holds while it is open. Its failures
// name the records it reaches and the cause, never a statement.
class Session
{
public:
    virtual ~Session() = default;

    // Runs the statements of `batch` in order and stops at the first that fails, which it
    // returns. A statement that writes while no transaction is open is committed on its own
    // before the statements after it run. An engine that answers over a network sends them
    // together and waits once: a server answers a batch of reads in one round trip, and a write
    // with the reads after it in two (the commit goes only once the write has answered, so
    // that a write given up unanswered is never stored).
    virtual StoreError runBatch(std::vector<Statement>& batch);
    // The same, for one statement.
    StoreError run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                   qint64* rowsAffected = nullptr);
    // Whether the connection is gone (a server stopped or restarted, a network gone, a wait
    // given up): the store then opens a new one before its next statement.
    virtual bool lost() = 0;
    // Whether what the connection was opened on is no longer at its location: a records file
    // moved, removed or replaced since. Its statements still reach what it opened; a new
    // connection would not.
    virtual bool movedAway() const { return false; }
    // Whether the last batch failed because the connection broke before any of it was answered:
    // none of it was carried out, and it may be sent again on a new connection.
    virtual bool brokeUnanswered() const { return false; }
    // Whether the connection may serve another Connection once its own closes: open, idle and
    // outside any transaction. A file is opened afresh each time instead.
    virtual bool reusable() { return false; }

protected:
    // What the default runBatch() runs each statement with, one after the other.
    virtual StoreError runOne(Statement& statement) = 0;
};

// What one database engine needs to carry the store: how to reach a file or server, how to
// speak the Jet SQL texts the windows send, how to name a row and how to lay out a new
// database. SQLite is the embedded default; a server engine slots in beside it (see
// engineregistry.cpp). The rest of the store works through this and Session alone.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual QString name() const = 0;

    // Whether the records lie on a database server rather than in a file.
    virtual bool isServer() const { return false; }
    // Whether a location as a user writes it (on the command line, in a setting) is in a form
    // of this engine's own. A file is whatever no engine claims; a server location no engine
    // claims goes to the first server engine, which refuses it with its reason.
    virtual bool claimsLocation(const QString& /*location*/) const { return false; }
    // The connection string a location of this engine's is opened with.
    virtual QString connectionStringOf(const QString& location) const;
    // A connection string's Data Source as a message names it; never with a password.
    virtual QString describeSource(const QString& dataSource) const { return dataSource; }
    // What a user should check, or ask the administrator to check, when the records this
    // engine keeps could not be opened with `error`.
    virtual QString openAdvice(const StoreError& error) const;

    // Opens a connection for the connection string; `userName` and `password`, where given,
    // stand beside it. `table` is the table the windows work on: an engine may bring what it
    // finds of it up to its definition (an older file's missing indexes). Never creates a
    // database that is not there.
    virtual std::unique_ptr<Session> open(const ConnectionString& cs, const QString& userName, const QString& password,
                                          const TableDefinition& table, StoreError& error) const = 0;

    // Makes the empty database a connection string names, so that open() finds it, and
    // refuses to touch one that is already there.
    virtual StoreError createEmpty(const ConnectionString& cs) const = 0;
    // Takes back what createEmpty() made, once a later step of creating the records failed.
    virtual void discardCreated(const ConnectionString& cs) const = 0;

    // The statements that create `table` and its indexes, run in one transaction.
    virtual QStringList createTableStatements(const TableDefinition& table) const = 0;

    // The statement that lists the columns of `table` in the table's order into `columns`, the
    // row key left out; none when there is no such table. `columns` must outlive the statement.
    virtual Statement columnsStatement(const QString& table, QStringList& columns) const = 0;
    // Runs it.
    StoreError tableColumns(Session& session, const QString& table, QStringList& columns) const;

    // Translates a Jet SQL text over `table` into the engine's own dialect: by default through
    // translateJet() (jetdialect.h) with the pieces below.
    virtual QString translate(const QString& jetSql, const TableDefinition& table) const;

    // The hidden column that identifies a row of a table, unique and stable.
    virtual QString rowKeyColumn() const = 0;

    // Refuses a value that the engine cannot store exactly as given, rather than store
    // another; `field` names it in the description.
    virtual StoreError acceptValue(const QString& field, const QVariant& value) const;

    // A condition that is true when `column` equals the bound value, nulls included.
    virtual QString nullSafeEquals(const QString& quotedColumn) const = 0;

    // A name in SQL's standard double quotes, which both engines take.
    virtual QString quoteIdentifier(const QString& name) const;
    // A column as a record set reads it: as text, whatever the column's type (a date, a
    // number), so that the engine's fastest reading of texts serves every table.
    virtual QString asText(const QString& quotedColumn) const { return quotedColumn; }

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

    // The engine whose records a location as a user writes it names (see claimsLocation()).
    static const Engine& forLocation(const QString& location);
    // The engine of a records file.
    static const Engine& forFiles();
    // The engine that serves a connection string's Provider, or null.
    static const Engine* forProvider(const QString& provider);
    // The same, for a whole connection string; a failure says what is wrong with it.
    static const Engine* forConnectionString(const QString& connectionString, ConnectionString& parsed,
                                             StoreError& error);

protected:
    // A failure's text, after the records it concerns where the caller named them.
    static QString describe(const QString& context, const QString& text)
    {
        return context.isEmpty() ? text : context + QStringLiteral(": ") + text;
    }
};

// Whether a value is bound as a null: an invalid QVariant, or one holding a null of its type.
inline bool isNullValue(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

} // namespace vantor
