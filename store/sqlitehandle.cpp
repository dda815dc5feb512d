// The statements of an open records file, run on SQLite's own handle.
#include "sqliteengine.h"
#include "sqlitesession.h"

#include <QAtomicInteger>
#include <QFile>
#include <QSqlDriver>

#include <sqlite3.h>
#include <sys/stat.h>

namespace vantor {

namespace {

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("vantor-sqlite-%1").arg(counter.fetchAndAddRelaxed(1));
}

constexpr std::size_t CachedStatements = 8;

// Binds one value: null, whole number, real, bytes or text.
int bindValue(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (isNullValue(value))
        return sqlite3_bind_null(statement, index);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return sqlite3_bind_int64(statement, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return sqlite3_bind_double(statement, index, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    default: {
        const QString text = value.toString();
        return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
    }
    }
}

// A row of a statement being stepped. Texts come as the file keeps them, UTF-8; a number as
// the text Qt's driver would have given.
class SqliteRow final : public ResultRow
{
public:
    explicit SqliteRow(sqlite3_stmt* statement)
        : m_statement(statement)
        , m_columns(sqlite3_column_count(statement))
    {
    }
    int columnCount() const override { return m_columns; }
    bool isNull(int column) const override { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    qint64 number(int column) const override { return sqlite3_column_int64(m_statement, column); }
    QByteArrayView text(int column) const override
    {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER: m_scratch = QByteArray::number(sqlite3_column_int64(m_statement, column)); break;
        case SQLITE_FLOAT: m_scratch = QVariant(sqlite3_column_double(m_statement, column)).toString().toUtf8(); break;
        case SQLITE_NULL: return {};
        default: {
            const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
            return QByteArrayView(data, sqlite3_column_bytes(m_statement, column));
        }
        }
        return m_scratch;
    }
    bool isBytes(int column) const override { return sqlite3_column_type(m_statement, column) == SQLITE_BLOB; }
    QByteArray bytes(int column) const override
    {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
        return QByteArray(data, sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt* m_statement;
    int m_columns;
    mutable QByteArray m_scratch;
};

} // namespace

SqliteSession::SqliteSession(const SqliteEngine& engine, QString path)
    : m_engine(engine)
    , m_path(std::move(path))
    , m_name(nextConnectionName())
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

SqliteSession::~SqliteSession()
{
    for (const Cached& cached : m_cache)
        sqlite3_finalize(cached.statement);
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool SqliteSession::attach()
{
    const QSqlDatabase db = database();
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    m_handle = *static_cast<sqlite3* const*>(handle.constData());
    struct stat info { };
    if (::stat(QFile::encodeName(m_path).constData(), &info) == 0) {
        m_device = quint64(info.st_dev);
        m_inode = quint64(info.st_ino);
    }
    return m_handle != nullptr;
}

StoreError SqliteSession::failure(int code) const
{
    return m_engine.mapFailure(code, QString::fromUtf8(sqlite3_errmsg(m_handle)), m_path);
}

// A statement from the cache, reset and unbound, or newly prepared into it.
sqlite3_stmt* SqliteSession::prepared(const QString& sql, int& rc)
{
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->sql == sql) {
            std::rotate(m_cache.begin(), it, it + 1); // the most recent first
            rc = SQLITE_OK;
            return m_cache.front().statement;
        }
    }
    sqlite3_stmt* statement = nullptr;
    rc = sqlite3_prepare16_v3(m_handle, sql.utf16(), int(sql.size() * 2), SQLITE_PREPARE_PERSISTENT, &statement,
                              nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    if (m_cache.size() == CachedStatements) {
        sqlite3_finalize(m_cache.back().statement);
        m_cache.pop_back();
    }
    m_cache.insert(m_cache.begin(), Cached{sql, statement});
    return statement;
}

template<typename OnRow>
StoreError SqliteSession::step(const QString& sql, const QVariantList& parameters, OnRow onRow, qint64* rowsAffected)
{
    if (!m_handle)
        return StoreError::closed();
    int rc = SQLITE_OK;
    sqlite3_stmt* statement = prepared(sql, rc);
    if (!statement)
        return failure(rc);
    // Whatever happens, the statement leaves no lock and no value behind in the cache.
    struct Reset {
        sqlite3_stmt* statement;
        ~Reset()
        {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
    } reset{statement};
    if (sqlite3_bind_parameter_count(statement) != parameters.size())
        return StoreError::make(CommandFailed,
                                describeFailure(QStringLiteral("%1 values given for %2 parameters.")
                                                    .arg(parameters.size())
                                                    .arg(sqlite3_bind_parameter_count(statement))));
    for (int i = 0; i < parameters.size() && rc == SQLITE_OK; ++i)
        rc = bindValue(statement, i + 1, parameters.at(i));
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            onRow(statement);
    }
    if (rc != SQLITE_DONE)
        return failure(sqlite3_extended_errcode(m_handle));
    if (rowsAffected)
        *rowsAffected = sqlite3_changes64(m_handle);
    return {};
}

QString SqliteSession::describeFailure(const QString& text) const
{
    return m_path + QStringLiteral(": ") + text;
}

StoreError SqliteSession::runOne(Statement& statement)
{
    // The keyset of a large table is most of the time it takes to open a record set: stepped
    // here without a row object in between.
    if (std::vector<qint64>* keys = statement.keys)
        return step(
            statement.sql, statement.parameters,
            [keys](sqlite3_stmt* s) { keys->push_back(sqlite3_column_int64(s, 0)); }, nullptr);
    const RowHandler& onRow = statement.onRow;
    return step(
        statement.sql, statement.parameters,
        [&onRow](sqlite3_stmt* s) {
            if (onRow)
                onRow(SqliteRow(s));
        },
        statement.rowsAffected);
}

bool SqliteSession::movedAway() const
{
    struct stat info { };
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return true;
    return quint64(info.st_dev) != m_device || quint64(info.st_ino) != m_inode;
}

} // namespace vantor
