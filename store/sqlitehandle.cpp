// The statements that run on SQLite's own handle, past Qt's query interface: the keysets
// and pages a record set reads, and the inserts it makes.
#include "sqliteengine.h"

#include <QSqlDriver>

#include <sqlite3.h>

namespace vantor {

namespace {

// The SQLite handle under a Qt connection, or null when the driver does not hand it out.
sqlite3* nativeHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Binds one value the way Qt's SQLite driver would: null, whole number, real, bytes or text.
int bindValue(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
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

// A column as the store reads it, the text that Qt's driver would have given: a null as
// an invalid QVariant, a number in Qt's own text form.
QVariant textOf(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return QVariant(QString::number(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT: return QVariant(QVariant(sqlite3_column_double(statement, column)).toString());
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        return QVariant(QString::fromUtf8(bytes, sqlite3_column_bytes(statement, column)));
    }
    default: {
        // The file keeps its texts in UTF-8; Qt decodes that faster than SQLite re-encodes it.
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        const int bytes = sqlite3_column_bytes(statement, column);
        return QVariant(text && bytes > 0 ? QString::fromUtf8(text, bytes) : QStringLiteral(""));
    }
    }
}

// Runs `sql` on SQLite's own handle and calls `onRow` for every row; a failure maps as
// Qt's driver would have reported it.
template<typename OnRow>
StoreError step(const Engine& engine, sqlite3* handle, const QString& sql, const QList<QVariant>& parameters,
                const QString& context, OnRow onRow)
{
    auto failure = [&](int code) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        return engine.mapError(QSqlError(text, text, QSqlError::StatementError, QString::number(code)), context);
    };
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare16_v2(handle, sql.utf16(), int(sql.size() * 2), &statement, nullptr);
    if (rc != SQLITE_OK) {
        const StoreError error = failure(rc);
        sqlite3_finalize(statement);
        return error;
    }
    if (sqlite3_bind_parameter_count(statement) != parameters.size()) {
        sqlite3_finalize(statement);
        return StoreError::make(
            CommandFailed, context + QStringLiteral(": parameter count mismatch (%1 given)").arg(parameters.size()));
    }
    for (int i = 0; i < parameters.size() && rc == SQLITE_OK; ++i)
        rc = bindValue(statement, i + 1, parameters.at(i));
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            onRow(statement);
    }
    const StoreError error = rc == SQLITE_DONE ? StoreError() : failure(sqlite3_extended_errcode(handle));
    sqlite3_finalize(statement);
    return error;
}

} // namespace

// The keyset of a large table is most of the time it takes to open a record set, and the
// pages most of the time it takes to walk one; Qt's query interface costs more per row
// than SQLite's own stepping (a cached QVariant row for every row it hands out), so both
// are read straight from the connection's SQLite handle.
StoreError SqliteEngine::readKeys(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                  std::vector<qint64>& keys, const QString& context) const
{
    sqlite3* handle = nativeHandle(db);
    if (!handle)
        return Engine::readKeys(db, sql, parameters, keys, context);
    return step(*this, handle, sql, parameters, context,
                [&keys](sqlite3_stmt* statement) { keys.push_back(sqlite3_column_int64(statement, 0)); });
}

StoreError SqliteEngine::readRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                  int valueCount, std::vector<KeyedRow>& rows, const QString& context) const
{
    sqlite3* handle = nativeHandle(db);
    if (!handle)
        return Engine::readRows(db, sql, parameters, valueCount, rows, context);
    return step(*this, handle, sql, parameters, context, [&rows, valueCount](sqlite3_stmt* statement) {
        KeyedRow row;
        row.key = sqlite3_column_int64(statement, 0);
        row.values.reserve(valueCount);
        for (int f = 1; f <= valueCount; ++f)
            row.values << textOf(statement, f);
        rows.push_back(std::move(row));
    });
}

StoreError SqliteEngine::readTextRows(const QSqlDatabase& db, const QString& sql, const QList<QVariant>& parameters,
                                      TextRows& rows, const QString& context) const
{
    sqlite3* handle = nativeHandle(db);
    if (!handle)
        return Engine::readTextRows(db, sql, parameters, rows, context);
    return step(*this, handle, sql, parameters, context, [&rows](sqlite3_stmt* statement) {
        rows.addKey(sqlite3_column_int64(statement, 0));
        for (int f = 1; f <= rows.valueCount(); ++f) {
            switch (sqlite3_column_type(statement, f)) {
            case SQLITE_NULL: rows.addNull(); break;
            case SQLITE_TEXT:
                // Kept as the file holds it, UTF-8, until someone reads the value.
                rows.addText(reinterpret_cast<const char*>(sqlite3_column_text(statement, f)),
                             sqlite3_column_bytes(statement, f));
                break;
            default: {
                const QByteArray text = textOf(statement, f).toString().toUtf8();
                rows.addText(text.constData(), text.size());
            }
            }
        }
    });
}

StoreError SqliteEngine::insertRow(const QSqlDatabase& db, const QString& insertSql, const QList<QVariant>& values,
                                   qint64& key, const QString& context) const
{
    sqlite3* handle = nativeHandle(db);
    if (!handle)
        return Engine::insertRow(db, insertSql, values, key, context);
    bool read = false;
    // Through Qt's driver an INSERT with RETURNING took a fifth longer than here (measured
    // with the disk's flush taken out). Stepping to its end also reports a failed commit.
    const StoreError error = step(*this, handle, insertSql + QStringLiteral(" RETURNING ") + rowKeyColumn(), values,
                                  context, [&key, &read](sqlite3_stmt* statement) {
                                      key = sqlite3_column_int64(statement, 0);
                                      read = true;
                                  });
    if (!error && !read)
        return keyNotReadBack();
    return error;
}

} // namespace vantor
