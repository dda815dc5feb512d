#include "sqliteengine.h"

#include "fileformat.h"
#include "sqlitesession.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

namespace vantor {

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
    SqliteConstraintTrigger = SqliteConstraint | (7 << 8),
};

} // namespace

const Engine& sqliteEngine()
{
    static const SqliteEngine engine;
    return engine;
}

// What can be told of a records file before SQLite opens it.
StoreError SqliteEngine::checkFile(const QString& path) const
{
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
    return {};
}

std::unique_ptr<Session> SqliteEngine::open(const ConnectionString& cs, const QString& /*userName*/,
                                            const QString& /*password*/, const TableDefinition& table,
                                            StoreError& error) const
{
    const QString path = cs.dataSource();
    if ((error = checkFile(path)))
        return nullptr;
    auto session = std::make_unique<SqliteSession>(*this, path);
    QSqlDatabase db = session->database();
    if (!db.isValid()) {
        error = StoreError::make(ProviderNotFound, QStringLiteral("Qt's SQLite driver (QSQLITE) is not installed."));
        return nullptr;
    }
    // mode=rw: open an existing file for writing (read-only if the file is protected),
    // but never create one.
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
        + QStringLiteral("?mode=rw");
    db.setDatabaseName(uri);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open()) {
        error = mapError(db.lastError(), path);
        return nullptr;
    }
    if (!session->attach()) {
        error
            = StoreError::make(EngineFailure, QStringLiteral("%1: Qt's SQLite driver hands out no handle.").arg(path));
        return nullptr;
    }

    // Reading the schema is the first moment SQLite looks at the file's pages.
    error = session->run(QStringLiteral("SELECT count(*) FROM sqlite_master"), {}, Columns::Any, {});
    // This statement cannot be wrong; failing here, SQLite is refusing the file itself (a
    // damaged header reads as "unsupported file format").
    if (error.number == CommandFailed)
        error = StoreError::make(
            CorruptDatabase,
            describe(path,
                     QStringLiteral("The records file is damaged. (%1)").arg(error.description.mid(path.size() + 2))));
    if (!error)
        error = applyDurability(*session);
    if (error)
        return nullptr;
    addMissingIndexes(*session, table);
    return session;
}

StoreError SqliteEngine::createEmpty(const ConnectionString& cs) const
{
    const QString path = cs.dataSource();
    if (path.isEmpty())
        return StoreError::make(InvalidArgument, QStringLiteral("The connection string names no Data Source."));
    // Claim the name exclusively: an existing records file is never overwritten, not even
    // by a second program creating the same file at the same moment. SQLite takes the
    // empty file for an empty database. Personnel records are personal data: the file is
    // its owner's alone, whatever the umask; sharing it is an administrator's deliberate act.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
        if (QFileInfo::exists(path))
            return StoreError::make(FileExists,
                                    QStringLiteral("The file '%1' already exists; it is left as it is.").arg(path));
        return StoreError::make(AccessDenied,
                                QStringLiteral("The file '%1' cannot be created: %2").arg(path, file.errorString()));
    }
    return {};
}

void SqliteEngine::discardCreated(const ConnectionString& cs) const
{
    QFile::remove(cs.dataSource());
}

namespace {

QString sqliteType(TableDefinition::Type type)
{
    switch (type) {
    case TableDefinition::Type::Number: return QStringLiteral("REAL");
    case TableDefinition::Type::Integer: return QStringLiteral("INTEGER");
    case TableDefinition::Type::Bytes: return QStringLiteral("BLOB");
    case TableDefinition::Type::Text:
    case TableDefinition::Type::Date: break;
    }
    return QStringLiteral("TEXT");
}

} // namespace

QStringList SqliteEngine::createTableStatements(const TableDefinition& table) const
{
    QStringList columns;
    // An INTEGER PRIMARY KEY is the rowid itself, which VACUUM and every rebuild keep;
    // AUTOINCREMENT never hands out the key of a row deleted before.
    if (table.ownKey)
        columns << QStringLiteral("\"row_key\" INTEGER PRIMARY KEY AUTOINCREMENT");
    for (const QString& column : table.columns) {
        const QString name = quoteIdentifier(column);
        QString definition = name + u' ' + sqliteType(table.typeOf(column));
        if (table.required.contains(column))
            definition += QStringLiteral(" NOT NULL");
        // A date is text in ISO form, "2026-03-01", which sorts and compares as dates do. The
        // modifier makes SQLite carry an impossible day over (February 30th to March 2nd), so
        // that only a real date equals itself.
        if (table.typeOf(column) == TableDefinition::Type::Date)
            definition += QStringLiteral(" CHECK (%1 IS date(%1, '+0 days'))").arg(name);
        columns << definition;
    }
    const QString tableName = quoteIdentifier(table.name);
    QStringList statements{QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName, columns.join(QStringLiteral(", ")))};
    for (const TableDefinition::Index& index : table.indexes)
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3 COLLATE NOCASE)")
                          .arg(quoteIdentifier(index.name), tableName, quoteIdentifier(index.column));
    for (const TableDefinition::Lookup& lookup : table.lookups) {
        QStringList names;
        for (const QString& column : lookup.columns)
            names << quoteIdentifier(column);
        statements << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(lookup.unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdentifier(lookup.name),
                               tableName, names.join(QStringLiteral(", ")));
    }
    if (table.owner)
        statements << ownerTriggers(table);
    return statements;
}

// SQLite enforces a foreign key only where a connection asks it to, which an earlier
// program's does not: triggers, which every connection runs, keep the rows with their owner.
QStringList SqliteEngine::ownerTriggers(const TableDefinition& table) const
{
    const TableDefinition::Owner& owner = *table.owner;
    const QString child = quoteIdentifier(table.name);
    const QString parent = quoteIdentifier(owner.table);
    const QString column = quoteIdentifier(owner.column);
    const QString name = table.name + u'_';
    const QString missing = QStringLiteral("WHEN NOT EXISTS (SELECT 1 FROM %1 WHERE rowid = NEW.%2) BEGIN SELECT "
                                           "RAISE(ABORT, 'The record this row of %3 belongs to is not in table %4.'); "
                                           "END")
                                .arg(parent, column, table.name, owner.table);
    QStringList statements{
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN DELETE FROM %3 WHERE %4 = OLD.rowid; END")
            .arg(quoteIdentifier(name + QStringLiteral("GoesWithOwner")), parent, child, column),
        QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 %3")
            .arg(quoteIdentifier(name + QStringLiteral("NeedsOwner")), child, missing),
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 %4")
            .arg(quoteIdentifier(name + QStringLiteral("KeepsOwner")), column, child, missing)};
    if (!owner.copyColumn.isEmpty()) {
        const QString from = quoteIdentifier(owner.ownerColumn);
        statements << QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 WHEN OLD.%2 IS NOT NEW.%2 BEGIN "
                                     "UPDATE %4 SET %5 = NEW.%2 WHERE %6 = NEW.rowid; END")
                          .arg(quoteIdentifier(name + QStringLiteral("FollowsOwner")), from, parent, child,
                               quoteIdentifier(owner.copyColumn), column);
    }
    return statements;
}

Statement SqliteEngine::columnsStatement(const QString& table, QStringList& columns) const
{
    return {QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"),
            {table},
            Columns::Any,
            [&columns](const ResultRow& row) {
                columns << QString::fromUtf8(row.text(0));
            }};
}

// A file made by an earlier version has indexes that compare with regard to case, which
// the windows' comparisons no longer use; the ones they use are added beside them. Adding
// an index rewrites no row. A file that is busy gets them at a later opening.
void SqliteEngine::addMissingIndexes(SqliteSession& session, const TableDefinition& table) const
{
    bool tableThere = false;
    QStringList indexes;
    if (session.run(QStringLiteral("SELECT type, name FROM sqlite_master WHERE tbl_name = ?"), {table.name},
                    Columns::Any, [&](const ResultRow& row) {
                        tableThere = tableThere || row.text(0) == "table";
                        indexes << QString::fromUtf8(row.text(1));
                    }))
        return;
    TableDefinition missing{table.name, {}, {}};
    for (const TableDefinition::Index& index : table.indexes) {
        if (!indexes.contains(index.name, Qt::CaseInsensitive))
            missing.indexes << index;
    }
    // Every opening comes here: a file that has its indexes costs this one read.
    if (!tableThere || missing.indexes.isEmpty())
        return;
    // A table that lacks fields is refused as it is, untouched.
    QStringList columns;
    if (tableColumns(session, table.name, columns) || columns.size() < table.columns.size())
        return;
    for (const QString& column : table.columns) {
        if (!columns.contains(column, Qt::CaseInsensitive))
            return;
    }
    if (session.run(QStringLiteral("BEGIN"), {}, Columns::Any, {}))
        return;
    const QStringList statements = createTableStatements(missing).mid(1);
    for (const QString& sql : statements) {
        if (session.run(sql, {}, Columns::Any, {})) {
            session.run(QStringLiteral("ROLLBACK"), {}, Columns::Any, {});
            return;
        }
    }
    session.run(QStringLiteral("COMMIT"), {}, Columns::Any, {});
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
StoreError SqliteEngine::applyDurability(SqliteSession& session) const
{
    QByteArray mode;
    if (StoreError error = session.run(QStringLiteral("PRAGMA journal_mode"), {}, Columns::Any,
                                       [&mode](const ResultRow& row) { mode = row.text(0).toByteArray(); }))
        return error;
    // Left in WAL when another program holds the file; WAL with FULL sync is durable too.
    if (mode.compare("delete", Qt::CaseInsensitive) != 0)
        session.run(QStringLiteral("PRAGMA journal_mode=DELETE"), {}, Columns::Any, {});
    return session.run(QStringLiteral("PRAGMA synchronous=FULL"), {}, Columns::Any, {});
}

QString SqliteEngine::nullSafeEquals(const QString& quotedColumn) const
{
    return quotedColumn + QStringLiteral(" IS ?");
}

QString SqliteEngine::currentYearExpression() const
{
    return QStringLiteral("strftime('%Y','now','localtime')");
}

// NOCASE is SQLite's own: it folds A to Z alone, as the old store did, and the stock sqlite3
// shell knows it, so the file stays readable without Vantor.
QString SqliteEngine::caseless(const QString& operand) const
{
    return operand + QStringLiteral(" COLLATE NOCASE");
}

QString SqliteEngine::caselessOrder(const QString& column, bool descending) const
{
    return column + (descending ? QStringLiteral(" COLLATE NOCASE DESC") : QStringLiteral(" COLLATE NOCASE"));
}

QString SqliteEngine::numberIn(const QString& operand) const
{
    return QStringLiteral("(CASE WHEN trim(%1) <> '' AND trim(%1) NOT GLOB '*[^0-9]*' THEN CAST(trim(%1) AS INTEGER) "
                          "END)")
        .arg(operand);
}

QString SqliteEngine::currentYearNumber() const
{
    return QStringLiteral("CAST(strftime('%Y','now','localtime') AS INTEGER)");
}

StoreError SqliteEngine::mapError(const QSqlError& error, const QString& path) const
{
    bool ok = false;
    const int native = error.nativeErrorCode().toInt(&ok);
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return mapFailure(ok ? native : SqliteCantOpen, text, path);
}

StoreError SqliteEngine::mapFailure(int code, const QString& text, const QString& path) const
{
    const auto make = [&path](qint32 number, const QString& what) {
        return StoreError::make(number, describe(path, what));
    };
    switch (code & 0xff) {
    case SqliteBusy:
    case SqliteLocked:
        return make(Busy,
                    QStringLiteral("The records file is busy: another program is writing to it. Try again in a "
                                   "moment. (%1)")
                        .arg(text));
    case SqliteReadOnly:
    case SqlitePerm:
    case SqliteAuth:
        return make(AccessDenied,
                    QStringLiteral("The records file cannot be written: it is read-only or you lack permission. (%1)")
                        .arg(text));
    case SqliteFull: return make(DiskFull, QStringLiteral("The disk holding the records file is full. (%1)").arg(text));
    case SqliteNotADb:
        return make(NotADatabase,
                    QStringLiteral("Unrecognized database format: the file is not a database. (%1)").arg(text));
    case SqliteCorrupt: return make(CorruptDatabase, QStringLiteral("The records file is damaged. (%1)").arg(text));
    case SqliteCantOpen: return make(AccessDenied, QStringLiteral("The records file cannot be opened. (%1)").arg(text));
    case SqliteIoErr:
        return make(EngineFailure, QStringLiteral("The records file could not be read or written. (%1)").arg(text));
    case SqliteConstraint:
        // A write refused by the file itself (a trigger's RAISE) says just what it was told.
        if (code == SqliteConstraintTrigger)
            return StoreError::make(EngineFailure, text);
        return make(EngineFailure, text);
    default: break;
    }
    return make(CommandFailed, text.isEmpty() ? QStringLiteral("Unknown failure") : text);
}

} // namespace vantor
