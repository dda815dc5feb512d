#include "datagen.h"

#include <masktest.h>
#include <sampledata.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QTextStream>

#include <sqlite3.h>

#include <memory>

namespace vantor::bench {

namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

Db openFile(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        db.reset();
    return db;
}

bool exec(sqlite3* db, const QByteArray& sql, QTextStream& log)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    log << "bench: " << sql << ": " << (message ? message : "failed") << Qt::endl;
    sqlite3_free(message);
    return false;
}

// Fills a new file as fast as SQLite allows: the store's indexes are dropped while the
// rows go in, in one transaction with no journal, and built again from their own SQL.
bool fill(const QString& path, int size, QTextStream& log)
{
    Db db = openFile(path, SQLITE_OPEN_READWRITE);
    if (!db) {
        log << "bench: cannot open " << path << Qt::endl;
        return false;
    }
    QList<QByteArray> indexes;
    {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db.get(), "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL", -1,
                           &raw, nullptr);
        Statement list(raw);
        QList<QByteArray> names;
        while (sqlite3_step(list.get()) == SQLITE_ROW) {
            names << reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0));
            indexes << reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1));
        }
        list.reset();
        for (const QByteArray& name : names) {
            if (!exec(db.get(), "DROP INDEX \"" + name + '"', log))
                return false;
        }
    }
    bool aside = false;
    const QList<QByteArray> triggers = setHistoryAside(db.get(), log, aside);
    if (!aside || !exec(db.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", log))
        return false;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), "INSERT INTO MT VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &raw, nullptr)
        != SQLITE_OK) {
        log << "bench: " << sqlite3_errmsg(db.get()) << Qt::endl;
        return false;
    }
    Statement insert(raw);
    masktest::SampleGenerator generator{quint32(size)};
    for (int i = 0; i < size; ++i) {
        const masktest::SampleRecord record = generator.next();
        for (int f = 0; f < record.values.size(); ++f) {
            const QVariant& v = record.values.at(f);
            if (!v.isValid()) {
                sqlite3_bind_null(insert.get(), f + 1);
            } else {
                const QByteArray text = v.toString().toUtf8();
                sqlite3_bind_text(insert.get(), f + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            log << "bench: " << sqlite3_errmsg(db.get()) << Qt::endl;
            return false;
        }
        sqlite3_reset(insert.get());
    }
    insert.reset();
    if (!exec(db.get(), "COMMIT", log))
        return false;
    for (const QByteArray& sql : indexes) {
        if (!exec(db.get(), sql, log))
            return false;
    }
    return restoreHistory(db.get(), triggers, log);
}

} // namespace

QList<QByteArray> setHistoryAside(sqlite3* db, QTextStream& log, bool& ok)
{
    QList<QByteArray> triggers, names;
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND name GLOB '*_History_*'", -1,
                       &raw, nullptr);
    Statement list(raw);
    while (list && sqlite3_step(list.get()) == SQLITE_ROW) {
        names << reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0));
        triggers << reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1));
    }
    list.reset();
    ok = true;
    for (const QByteArray& name : std::as_const(names))
        ok = ok && exec(db, "DROP TRIGGER \"" + name + '"', log);
    return triggers;
}

bool restoreHistory(sqlite3* db, const QList<QByteArray>& triggers, QTextStream& log)
{
    for (const QByteArray& sql : triggers) {
        if (!exec(db, sql, log))
            return false;
    }
    return true;
}

QString ensureDatabase(const QString& dataDir, int size, QTextStream& log)
{
    QDir().mkpath(dataDir);
    const QString path
        = QDir(dataDir).filePath(QStringLiteral("mt-%1-%2.mdb").arg(size).arg(QDate::currentDate().year()));
    if (QFile::exists(path))
        return path;
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    log << "bench: generating " << size << " records into " << path << " ..." << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    if (const StoreError error = masktest::createDatabase(RecordsLocation::file(part), 0)) {
        log << "bench: " << error.description << Qt::endl;
        return {};
    }
    if (size > 0 && !fill(part, size, log)) {
        QFile::remove(part);
        return {};
    }
    if (!QFile::rename(part, path)) {
        log << "bench: cannot rename " << part << Qt::endl;
        return {};
    }
    log << "bench: generated in " << double(timer.elapsed()) / 1000.0 << " s" << Qt::endl;
    return path;
}

QString middleFdid(const QString& path)
{
    Db db = openFile(path, SQLITE_OPEN_READONLY);
    if (!db)
        return {};
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT ID FROM MT WHERE rowid >= (SELECT max(rowid) / 2 FROM MT) LIMIT 1", -1, &raw,
                       nullptr);
    Statement query(raw);
    if (!query || sqlite3_step(query.get()) != SQLITE_ROW)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)));
}

bool ensureCsv(const QString& path, const QString& csvPath, const QString& sql, QTextStream& log)
{
    if (QFile::exists(csvPath))
        return true;
    Db db = openFile(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* raw = nullptr;
    if (!db || sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK) {
        log << "bench: cannot read " << path << " for " << csvPath << Qt::endl;
        return false;
    }
    Statement query(raw);
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly)) {
        log << "bench: cannot write " << csvPath << Qt::endl;
        return false;
    }
    const int columns = sqlite3_column_count(query.get());
    auto field = [](QByteArray text) {
        text = text.trimmed();
        if (text.contains(',') || text.contains('"') || text.contains('\n'))
            return '"' + text.replace("\"", "\"\"") + '"';
        return text;
    };
    QByteArray line;
    for (int c = 0; c < columns; ++c)
        line += (c ? "," : "") + field(sqlite3_column_name(query.get(), c));
    file.write(line + '\n');
    while (sqlite3_step(query.get()) == SQLITE_ROW) {
        line.clear();
        for (int c = 0; c < columns; ++c) {
            if (c)
                line += ',';
            if (sqlite3_column_type(query.get(), c) != SQLITE_NULL)
                line += field(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), c)));
        }
        file.write(line + '\n');
    }
    return file.commit();
}

} // namespace vantor::bench

namespace vantor::bench {

qint64 countRows(const QString& path, const QString& sql)
{
    // No job writes to the files, and the server's pass asks for every count of the file's
    // pass again: a count of a million rows is read once.
    static QHash<QString, qint64> counted;
    const QString key = path + u'\n' + sql;
    if (const auto found = counted.constFind(key); found != counted.cend())
        return *found;
    Db db = openFile(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* raw = nullptr;
    const QByteArray count = "SELECT count(*) FROM (" + sql.toUtf8() + ')';
    if (!db || sqlite3_prepare_v2(db.get(), count.constData(), -1, &raw, nullptr) != SQLITE_OK)
        return -1;
    Statement query(raw);
    if (sqlite3_step(query.get()) != SQLITE_ROW)
        return -1;
    const qint64 rows = sqlite3_column_int64(query.get(), 0);
    counted.insert(key, rows);
    return rows;
}

} // namespace vantor::bench
