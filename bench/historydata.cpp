#include "historydata.h"

#include "datagen.h"

#include <history.h>
#include <historychain.h>
#include <historydialect.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimeZone>

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace vantor::bench {

namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

bool exec(sqlite3* db, const QByteArray& sql, QTextStream& log)
{
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    log << "bench: " << sql.left(200) << ": " << sqlite3_errmsg(db) << Qt::endl;
    return false;
}

Statement prepare(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr);
    return Statement(raw);
}

QByteArray columnText(sqlite3_stmt* statement, int column)
{
    return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                      sqlite3_column_bytes(statement, column));
}

// A member as its entries hold it: as stored, and with its rank changed.
struct Member {
    QByteArray key;
    QByteArray fdid;
    QByteArray now;
    QByteArray away;
};

bool readMembers(sqlite3* db, std::vector<Member>& members, QTextStream& log)
{
    // The record as the triggers write it, by the store's own statement.
    const QString rows
        = history::dialect::sqlite().currentRowsStatement(*history::auditedTable(QStringLiteral("MT")), 1 << 30);
    Statement read = prepare(db, rows.toUtf8());
    Statement away = prepare(db,
                             "SELECT json_set(?, '$.Rank', CASE WHEN json_extract(?, '$.Rank') = 'XX' THEN "
                             "'YY' ELSE 'XX' END)");
    if (!read || !away) {
        log << "bench: " << sqlite3_errmsg(db) << Qt::endl;
        return false;
    }
    sqlite3_bind_int64(read.get(), 1, 0);
    while (sqlite3_step(read.get()) == SQLITE_ROW) {
        Member member{QByteArray::number(sqlite3_column_int64(read.get(), 0)),
                      columnText(read.get(), 1),
                      columnText(read.get(), 2),
                      {}};
        sqlite3_bind_text(away.get(), 1, member.now.constData(), int(member.now.size()), SQLITE_STATIC);
        sqlite3_bind_text(away.get(), 2, member.now.constData(), int(member.now.size()), SQLITE_STATIC);
        if (sqlite3_step(away.get()) != SQLITE_ROW)
            return false;
        member.away = columnText(away.get(), 0);
        sqlite3_reset(away.get());
        members.push_back(std::move(member));
    }
    return !members.empty();
}

class Writer
{
public:
    Writer(sqlite3* db, QFile& bytes)
        : m_db(db)
        , m_bytes(bytes)
        , m_insert(prepare(db,
                           "INSERT INTO \"History\" (\"row_key\", \"At\", \"Who\", \"Record\", \"RecordKey\", "
                           "\"Member\", \"FDID\", \"Action\", \"Before\", \"After\", \"Note\", \"Sealed\", "
                           "\"Hash\") VALUES (?, ?, ?, 'MT', ?, ?, ?, ?, ?, ?, ?, NULL, ?)"))
    {
    }

    bool add(const Member& member, const QByteArray& action, const QByteArray* before, const QByteArray* after,
             const QByteArray* note)
    {
        ++m_entry;
        const QByteArray number = QByteArray::number(m_entry);
        const QByteArray at = m_start.addSecs(30 * m_entry).toString(Qt::ISODateWithMs).toLatin1();
        const QByteArray who = "clerk" + QByteArray::number(m_entry % 7) + "@station" + QByteArray::number(m_entry % 3);
        m_chain.clear();
        for (const QByteArray* field :
             {&number, &at, &who, &Record, &member.key, &member.key, &member.fdid, &action, before, after, note}) {
            if (field)
                m_chain.add(*field);
            else
                m_chain.addNull();
        }
        m_chain.addNull(); // sealed as it was written
        m_previous = m_hasher.seal(m_previous, m_chain.bytes());
        if (m_bytes.write(m_chain.bytes()) != m_chain.bytes().size())
            return false;
        sqlite3_stmt* insert = m_insert.get();
        sqlite3_bind_int64(insert, 1, m_entry);
        int column = 2;
        const QByteArray* const fields[]
            = {&at, &who, &member.key, &member.key, &member.fdid, &action, before, after, note, &m_previous};
        for (const QByteArray* field : fields) {
            if (field)
                sqlite3_bind_text(insert, column++, field->constData(), int(field->size()), SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(insert, column++);
        }
        const bool done = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        return done;
    }

    bool ready() const { return m_insert != nullptr; }
    qint64 entries() const { return m_entry; }

private:
    inline static const QByteArray Record = "MT";
    sqlite3* m_db;
    QFile& m_bytes;
    Statement m_insert;
    history::chain::Hasher m_hasher;
    history::chain::EntryBytes m_chain;
    QByteArray m_previous = history::chain::firstPrevious();
    qint64 m_entry = 0;
    const QDateTime m_start{QDate(2020, 1, 1), QTime(6, 0), QTimeZone::utc()};
};

bool fill(const QString& path, const QString& bytesPath, int perMember, QTextStream& log)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    QFile bytes(bytesPath);
    std::vector<Member> members;
    if (!db || !bytes.open(QIODevice::WriteOnly) || !readMembers(db.get(), members, log)
        || !exec(db.get(), "DROP INDEX \"History_Member\"; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN",
                 log))
        return false;
    Writer writer(db.get(), bytes);
    const QByteArray start = history::action::Start.toUtf8(), change = history::action::Change.toUtf8();
    const QByteArray note = "the history starts here: the record as it was when its records were upgraded";
    bool ok = writer.ready();
    for (const Member& member : members)
        ok = ok && writer.add(member, start, nullptr, &member.now, &note);
    const qint64 pairs = qint64(members.size()) * (perMember - 1) / 2;
    for (qint64 pair = 0; ok && pair < pairs; ++pair) {
        const Member& member = members[std::size_t(pair % qint64(members.size()))];
        ok = writer.add(member, change, &member.now, &member.away, nullptr)
            && writer.add(member, change, &member.away, &member.now, nullptr);
    }
    if (!ok)
        log << "bench: the history could not be written: " << sqlite3_errmsg(db.get()) << Qt::endl;
    return ok
        && exec(db.get(), "COMMIT; CREATE INDEX \"History_Member\" ON \"History\" (\"Member\", \"row_key\")", log);
}

} // namespace

qint64 historyEntries(int size, int perMember)
{
    return qint64(size) + 2 * (qint64(size) * (perMember - 1) / 2);
}

QString historyBytes(const QString& history)
{
    return history + QStringLiteral(".chain");
}

QString ensureHistory(const QString& dataDir, int size, const QString& members, int perMember, QTextStream& log)
{
    const QString path = QDir(dataDir).filePath(
        QStringLiteral("hist-%1-%2-%3.mdb").arg(size).arg(perMember).arg(QDate::currentDate().year()));
    if (QFile::exists(path) && QFile::exists(historyBytes(path)))
        return path;
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    log << "bench: generating " << historyEntries(size, perMember) << " history entries into " << path << " ..."
        << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    if (!QFile::copy(members, part) || !fill(part, historyBytes(path), perMember, log) || !QFile::rename(part, path)) {
        QFile::remove(part);
        QFile::remove(historyBytes(path));
        log << "bench: the history of " << members << " could not be made" << Qt::endl;
        return {};
    }
    log << "bench: generated in " << double(timer.elapsed()) / 1000.0 << " s" << Qt::endl;
    return path;
}

bool copyWithoutHistory(const QString& source, const QString& target, QTextStream& log)
{
    QFile::remove(target);
    if (!QFile::copy(source, target)) {
        log << "bench: cannot copy " << source << Qt::endl;
        return false;
    }
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(target).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    bool aside = false;
    if (db)
        setHistoryAside(db.get(), log, aside);
    return aside && exec(db.get(), "DROP TABLE \"History\"", log);
}

} // namespace vantor::bench
