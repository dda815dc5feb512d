#include "fittestdata.h"

#include "datagen.h"

#include <connection.h>
#include <recordslocation.h>
#include <schema.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <sqlite3.h>

#include <memory>

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

bool exec(sqlite3* db, const char* sql, QTextStream& log)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    log << "bench: " << sql << ": " << sqlite3_errmsg(db) << Qt::endl;
    return false;
}

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

void bindText(sqlite3_stmt* statement, int column, const QByteArray& text)
{
    sqlite3_bind_text(statement, column, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// The tests go in with the member index dropped, in one transaction without a journal.
bool fill(const QString& path, int size, QTextStream& log)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    bool aside = false;
    const QList<QByteArray> triggers = db ? setHistoryAside(db.get(), log, aside) : QList<QByteArray>();
    if (!db || !aside
        || !exec(db.get(), "DROP INDEX \"FitTest_Member\"; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN",
                 log))
        return false;
    Statement members = prepare(db.get(), "SELECT rowid, ID FROM MT ORDER BY rowid");
    Statement insert
        = prepare(db.get(),
                  "INSERT INTO \"FitTest\" (\"Member\", \"MemberID\", \"TestDate\", \"TestType\", \"Protocol\", "
                  "\"Make\", \"Model\", \"Style\", \"Size\", \"FacepieceClass\", \"FitFactor\", \"Passed\", "
                  "\"Tester\") VALUES (?, ?, ?, 'QN', 'cnc', ?, ?, 'SCBA facepiece', ?, 'full', ?, ?, ?)");
    if (!members || !insert) {
        log << "bench: " << sqlite3_errmsg(db.get()) << Qt::endl;
        return false;
    }
    QRandomGenerator random{quint32(size)};
    const QDate today = QDate::currentDate();
    static const char* const makes[][2] = {{"MSA", "G1"}, {"SCOTT", "AV-3000"}, {"DRAEGER", "FPS 7000"}};
    static const char* const sizes[] = {"S", "M", "L"};
    while (sqlite3_step(members.get()) == SQLITE_ROW) {
        const qint64 member = sqlite3_column_int64(members.get(), 0);
        const QByteArray id(reinterpret_cast<const char*>(sqlite3_column_text(members.get(), 1)));
        const auto* facepiece = makes[random.bounded(3)];
        const QByteArray fitSize = sizes[random.bounded(3)];
        QDate date = today.addDays(-qint64(random.bounded(450)));
        for (int n = 3 + int(random.bounded(5)); n > 0; --n) {
            const bool passed = random.bounded(10) != 0;
            const int fitFactor = passed ? 500 + int(random.bounded(9500)) : 50 + int(random.bounded(449));
            sqlite3_bind_int64(insert.get(), 1, member);
            bindText(insert.get(), 2, id);
            bindText(insert.get(), 3, date.toString(Qt::ISODate).toLatin1());
            bindText(insert.get(), 4, facepiece[0]);
            bindText(insert.get(), 5, facepiece[1]);
            bindText(insert.get(), 6, fitSize);
            sqlite3_bind_double(insert.get(), 7, fitFactor);
            sqlite3_bind_int(insert.get(), 8, passed ? 1 : 0);
            bindText(insert.get(), 9, "SAFETY OFFICER");
            if (sqlite3_step(insert.get()) != SQLITE_DONE) {
                log << "bench: " << sqlite3_errmsg(db.get()) << Qt::endl;
                return false;
            }
            sqlite3_reset(insert.get());
            date = date.addDays(-335 - qint64(random.bounded(60)));
        }
    }
    members.reset();
    insert.reset();
    return exec(db.get(),
                "COMMIT; CREATE INDEX \"FitTest_Member\" ON \"FitTest\" (\"Member\", \"Passed\", \"TestDate\", "
                "\"row_key\"); ANALYZE",
                log)
        && restoreHistory(db.get(), triggers, log);
}

} // namespace

QString ensureFitTests(const QString& dataDir, int size, const QString& members, QTextStream& log)
{
    const QString path
        = QDir(dataDir).filePath(QStringLiteral("ft-%1-%2.mdb").arg(size).arg(QDate::currentDate().year()));
    if (QFile::exists(path))
        return path;
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    log << "bench: generating about " << size * 5 << " fit tests into " << path << " ..." << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    // A file of members kept from before the fit tests gains their tables first.
    bool copied = QFile::copy(members, part);
    if (copied) {
        Connection connection;
        copied = !connection.open(RecordsLocation::file(part).connectionString()) && !schema::upgrade(connection);
    }
    if (!copied || !fill(part, size, log) || !QFile::rename(part, path)) {
        QFile::remove(part);
        log << "bench: the fit tests of " << members << " could not be made" << Qt::endl;
        return {};
    }
    log << "bench: generated in " << double(timer.elapsed()) / 1000.0 << " s" << Qt::endl;
    return path;
}

qint64 middleMemberWithTests(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Db db(raw);
    Statement query
        = prepare(db.get(),
                  "SELECT \"Member\" FROM \"FitTest\" WHERE \"row_key\" >= (SELECT max(\"row_key\") / 2 FROM "
                  "\"FitTest\") LIMIT 1");
    if (!query || sqlite3_step(query.get()) != SQLITE_ROW)
        return 0;
    return sqlite3_column_int64(query.get(), 0);
}

} // namespace vantor::bench
