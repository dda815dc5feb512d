#include "sqliteengine.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>

namespace vantor {

std::atomic<int> SqliteEngine::testHookMaxPageCount{0};

namespace {

// SQLite's primary result codes that the store tells apart.
enum : int {
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteConstraint = 19,
    SqliteNotADb = 26,
    SqliteAuth = 23,
    SqlitePerm = 3,
};

QString describe(const QString& context, const QString& text)
{
    return context.isEmpty() ? text : context + QStringLiteral(": ") + text;
}

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

FileKind sniffFileKind(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return FileKind::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Other;
    const QByteArray head = file.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    // Jet 3/4 and ACE files carry their format name at offset 4.
    const QByteArray name = head.mid(4, 15);
    if (name == QByteArrayLiteral("Standard Jet DB") || name == QByteArrayLiteral("Standard ACE DB"))
        return FileKind::AccessJet;
    return FileKind::Other;
}

StoreError SqliteEngine::open(QSqlDatabase& db, const ConnectionString& cs) const
{
    const QString path = cs.dataSource();
    if (path.isEmpty())
        return StoreError::make(InvalidArgument, QStringLiteral("The connection string names no Data Source."));
    const QFileInfo info(path);
    if (!info.exists())
        return StoreError::make(FileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    if (info.isDir())
        return StoreError::make(NotADatabase, QStringLiteral("'%1' is a folder, not a records file.").arg(path));
    if (!info.isReadable())
        return StoreError::make(AccessDenied,
                                QStringLiteral("The file '%1' cannot be read: permission denied.").arg(path));
    // Refused here rather than at the first Save: SQLite would quietly open a protected file
    // read-only, and the user would learn it only after typing a whole record.
    if (!info.isWritable())
        return StoreError::make(
            AccessDenied, QStringLiteral("The file '%1' is read-only: Vantor cannot save records in it.").arg(path));
    // Every write puts a short-lived journal file beside the records file.
    if (!QFileInfo(info.absolutePath()).isWritable())
        return StoreError::make(AccessDenied,
                                QStringLiteral("The folder of '%1' is read-only: Vantor needs to create a journal "
                                               "file beside the records file while it saves.")
                                    .arg(path));

    switch (sniffFileKind(path)) {
    case FileKind::AccessJet:
        return StoreError::make(AccessFormatFile,
                                QStringLiteral("'%1' is a Microsoft Access (Jet) file, not a Vantor records file. "
                                               "It has to be converted before Vantor can use it.")
                                    .arg(path));
    case FileKind::Other:
        return StoreError::make(
            NotADatabase, QStringLiteral("Unrecognized database format '%1': the file is not a database.").arg(path));
    case FileKind::Missing:
    case FileKind::Empty:
    case FileKind::SQLite: break;
    }

    // mode=rw: open an existing file for writing (read-only if the file is protected),
    // but never create one.
    const QString uri
        = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
    db.setDatabaseName(uri);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        return mapError(db.lastError(), path);

    // Reading the schema is the first moment SQLite looks at the file's pages.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        StoreError error = mapError(probe.lastError(), path);
        // This statement cannot be wrong; failing here, SQLite is refusing the file itself
        // (a damaged header reads as "unsupported file format").
        if (error.number == CommandFailed)
            error = StoreError::make(
                CorruptDatabase,
                describe(path,
                         QStringLiteral("The records file is damaged. (%1)").arg(probe.lastError().databaseText())));
        probe.finish();
        db.close();
        return error;
    }
    probe.finish();
    if (StoreError error = applyDurability(db, path)) {
        db.close();
        return error;
    }
    return {};
}

// Durability, chosen for a records file that often lies on a department's shared drive:
// - journal_mode=DELETE, the rollback journal. WAL would keep MaskTest.mdb-wal and -shm
//   files beside the records file, and its shared-memory index does not work across
//   network shares, where two programs on two machines would corrupt the file. A rollback
//   journal leaves nothing behind once a write has finished, and a journal left by a
//   program that died mid-write is rolled back by the next one that opens the file.
//   DELETE is SQLite's default; we say so explicitly, and turn a WAL file (made by some
//   other tool) back into a plain one when no one else has it open.
// - synchronous=FULL: the journal and the file are flushed to the disk before a write
//   returns, so an acknowledged record survives a power cut and not just a crash of
//   the program. One record at a time from the keyboard makes the cost invisible.
StoreError SqliteEngine::applyDurability(QSqlDatabase& db, const QString& path) const
{
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode")) || !pragma.next())
        return mapError(pragma.lastError(), path);
    if (pragma.value(0).toString().compare(QStringLiteral("delete"), Qt::CaseInsensitive) != 0) {
        // Left in WAL when another program holds the file; WAL with FULL sync is durable too.
        pragma.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    }
    pragma.finish();
    if (!pragma.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return mapError(pragma.lastError(), path);
    if (const int pages = testHookMaxPageCount.load(); pages > 0)
        pragma.exec(QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
    return {};
}

QString SqliteEngine::translate(const QString& jetSql) const
{
    static const QRegularExpression yearNow(QStringLiteral(R"(\bYear\s*\(\s*Now\s*(?:\(\s*\))?\s*\))"),
                                            QRegularExpression::CaseInsensitiveOption);
    // Only text outside string literals is SQL; a quoted 'Year(Now)' stays as it is.
    QString out;
    out.reserve(jetSql.size() + 32);
    qsizetype pos = 0;
    while (pos < jetSql.size()) {
        const qsizetype quote = jetSql.indexOf(u'\'', pos);
        const qsizetype codeEnd = quote < 0 ? jetSql.size() : quote;
        QString code = jetSql.mid(pos, codeEnd - pos);
        code.replace(yearNow, currentYearExpression());
        out += code;
        if (quote < 0)
            break;
        qsizetype close = quote + 1;
        while (close < jetSql.size()) {
            if (jetSql.at(close) == u'\'') {
                if (close + 1 < jetSql.size() && jetSql.at(close + 1) == u'\'') {
                    close += 2;
                    continue;
                }
                break;
            }
            ++close;
        }
        out += jetSql.mid(quote, close - quote + 1);
        pos = close + 1;
    }
    return out;
}

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

QString SqliteEngine::nullSafeEquals(const QString& quotedColumn) const
{
    return quotedColumn + QStringLiteral(" IS ?");
}

QString SqliteEngine::quoteIdentifier(const QString& name) const
{
    QString escaped = name;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QString SqliteEngine::currentYearExpression() const
{
    return QStringLiteral("strftime('%Y','now','localtime')");
}

StoreError SqliteEngine::mapError(const QSqlError& error, const QString& context) const
{
    bool ok = false;
    const int native = error.nativeErrorCode().toInt(&ok);
    const int primary = ok ? (native & 0xff) : -1;
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    switch (primary) {
    case SqliteBusy:
    case SqliteLocked:
        return StoreError::make(Busy,
                                describe(context,
                                         QStringLiteral("The records file is busy: another program is "
                                                        "writing to it. Try again in a moment. (%1)")
                                             .arg(text)));
    case SqliteReadOnly:
    case SqlitePerm:
    case SqliteAuth:
        return StoreError::make(AccessDenied,
                                describe(context,
                                         QStringLiteral("The records file cannot be written: it is read-only "
                                                        "or you lack permission. (%1)")
                                             .arg(text)));
    case SqliteFull:
        return StoreError::make(
            DiskFull, describe(context, QStringLiteral("The disk holding the records file is full. (%1)").arg(text)));
    case SqliteNotADb:
        return StoreError::make(
            NotADatabase,
            describe(context,
                     QStringLiteral("Unrecognized database format: the file is not a database. (%1)").arg(text)));
    case SqliteCorrupt:
        return StoreError::make(CorruptDatabase,
                                describe(context, QStringLiteral("The records file is damaged. (%1)").arg(text)));
    case SqliteCantOpen:
        return StoreError::make(AccessDenied,
                                describe(context, QStringLiteral("The records file cannot be opened. (%1)").arg(text)));
    case SqliteIoErr:
        return StoreError::make(
            EngineFailure,
            describe(context, QStringLiteral("The records file could not be read or written. (%1)").arg(text)));
    default: break;
    }
    if (error.type() == QSqlError::StatementError)
        return StoreError::make(CommandFailed, describe(context, text));
    return StoreError::make(EngineFailure,
                            describe(context, text.isEmpty() ? QStringLiteral("Unknown failure") : text));
}

const Engine* Engine::forProvider(const QString& provider)
{
    static const SqliteEngine sqlite;
    const QString p = provider.trimmed().toLower();
    // The old Jet provider name is what every window's connection string carries;
    // it stands for the embedded store.
    if (p.isEmpty() || p.startsWith(QStringLiteral("microsoft.jet.oledb")) || p == QStringLiteral("sqlite"))
        return &sqlite;
    return nullptr;
}

} // namespace vantor
