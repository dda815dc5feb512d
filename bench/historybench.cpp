// The history's costs: saving, updating and deleting with the history against without, on a
// file and on a server; the check of five million entries beside sha256sum over the same bytes;
// start-up and a list beside them against the same members without.
#include "bench.h"
#include "benchsql.h"
#include "datagen.h"
#include "historydata.h"
#include "serverdata.h"
#include "spawn.h"

#include <history.h>
#include <masktest.h>
#include <sqliteengine.h>

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace vantor::bench {

namespace {

constexpr int PerMember = 50; // 100,000 members: 5,000,000 entries
// Changes a write job makes, timed one at a time: enough that a session's first change, which
// on a server compiles the trigger's function, weighs no more than it does in a day's work.
constexpr int Writes = 100;

// The members of a department at most: the largest size up to 100,000.
int departmentSize(const QList<int>& sizes)
{
    int chosen = 0;
    for (int size : sizes)
        chosen = size <= 100000 ? std::max(chosen, size) : chosen;
    return chosen > 0 ? chosen : *std::min_element(sizes.begin(), sizes.end());
}

bool psqlRun(const QString& location, const QStringList& commands, QTextStream& log)
{
    QStringList argv{QStringLiteral("psql"),
                     QStringLiteral("-X"),
                     QStringLiteral("-q"),
                     QStringLiteral("-v"),
                     QStringLiteral("ON_ERROR_STOP=1"),
                     QStringLiteral("-d"),
                     location};
    for (const QString& command : commands)
        argv << QStringLiteral("-c") << command;
    const ProcessResult r = runProcess(argv, false);
    if (r.exitCode != 0)
        log << "bench: psql failed: " << commands.join(u' ').left(300) << Qt::endl;
    return r.exitCode == 0;
}

QString shellQuoted(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

// A server database made from `from`, holding the history of the file `history` where given, or
// no history's triggers where `triggers` is false.
QString copyDatabase(const BenchServer& server, const QString& from, const QString& name, const QString& history,
                     bool triggers, QTextStream& log)
{
    const QString postgres = server.location(QStringLiteral("postgres"));
    if (!psqlRun(postgres,
                 {QStringLiteral("SET client_min_messages = warning"),
                  QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name),
                  // A database is copied only while no one is connected to it: the connections
                  // the store keeps for its next use (this process made the database through
                  // the store) are closed first.
                  QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                 "WHERE datname = '%1' AND pid <> pg_backend_pid()")
                      .arg(from),
                  QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, from)},
                 log))
        return {};
    const QString target = server.location(name);
    if (!triggers
        && !psqlRun(target,
                    {QStringLiteral(R"(DROP TRIGGER "MT_History" ON "MT")"),
                     QStringLiteral(R"(DROP TRIGGER "MT_History_Change" ON "MT")")},
                    log))
        return {};
    if (history.isEmpty())
        return target;
    const QString columns = QStringLiteral(R"("row_key", "%1")").arg(history::columns().join(QStringLiteral("\", \"")));
    const QString pipeline
        = QStringLiteral("sqlite3 -csv %1 %2 | psql -X -q -v ON_ERROR_STOP=1 -d %3 -c %4")
              .arg(shellQuoted(history),
                   shellQuoted(QStringLiteral(R"(SELECT %1 FROM "History" ORDER BY "row_key")").arg(columns)),
                   shellQuoted(target),
                   shellQuoted(QStringLiteral(R"(\copy "History" (%1) FROM STDIN WITH (FORMAT csv))").arg(columns)));
    if (runProcess(
            {QStringLiteral("bash"), QStringLiteral("-o"), QStringLiteral("pipefail"), QStringLiteral("-c"), pipeline},
            false)
            .exitCode
        != 0)
        return {};
    // The next entry follows the last one copied; then the planner learns the table.
    if (!psqlRun(target,
                 {QStringLiteral(R"(UPDATE "HistoryHead" SET ("Entry", "Hash") = (SELECT "row_key", "Hash" FROM )"
                                 R"("History" ORDER BY "row_key" DESC LIMIT 1))"),
                  QStringLiteral("VACUUM ANALYZE")},
                 log))
        return {};
    return target;
}

} // namespace

void Bench::compareOurs(const QString& name, qint64 size, const QStringList& with, const QStringList& without,
                        qint64 rows, double limit, double slack)
{
    Series ours, plain;
    measureOurs(with, ours, false);
    measureOurs(without, plain, false);
    for (int i = 0; i < m_options.runs && ours.failure.isEmpty() && plain.failure.isEmpty(); ++i) {
        measureOurs(with, ours, true);
        measureOurs(without, plain, true);
    }
    const QString label = QStringLiteral("%1 (%2%3)").arg(name, formatCount(size), m_onServer ? ", server" : "");
    check(label, ours, rows, QString());
    check(label + QStringLiteral(" without"), plain, rows, QString());
    QString target;
    if (ours.ok() && plain.ok()) {
        const bool held = ours.median() <= plain.median() * limit || ours.median() - plain.median() <= slack;
        target = QStringLiteral("<=%1x %2").arg(limit).arg(held ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!held)
            m_missed << QStringLiteral("%1: %2 against %3 without")
                            .arg(label, formatSeconds(ours.median()), formatSeconds(plain.median()));
    }
    printRow(name, size, ours, formatSeconds(plain.median()) + QStringLiteral(" without"), plain.median(), plain.ok(),
             target);
}

void Bench::verifyBesideSha256(const QString& history, qint64 entries)
{
    Series ours, reference;
    const QStringList sha{QStringLiteral("sha256sum"), historyBytes(history)};
    measureOurs({QStringLiteral("verify"), history}, ours, false);
    measureExternal(sha, reference, false, false);
    for (int i = 0; i < m_options.runs && ours.failure.isEmpty() && reference.failure.isEmpty(); ++i) {
        measureOurs({QStringLiteral("verify"), history}, ours, true);
        measureExternal(sha, reference, true, false);
    }
    const QString label = QStringLiteral("verify the history (%1)").arg(formatCount(entries));
    check(label, ours, entries, QStringLiteral("whole"));
    QString target;
    if (ours.ok() && reference.ok()) {
        const double ratio = ours.median() / reference.median();
        target = QStringLiteral("<=2x %1").arg(ratio <= 2 ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (ratio > 2)
            m_missed << QStringLiteral("%1: %2x sha256sum").arg(label, QString::number(ratio, 'f', 2));
    }
    const double megabytes = double(QFile(historyBytes(history)).size()) / 1e6;
    printRow(QStringLiteral("verify the history"), entries, ours,
             QStringLiteral("%1 sha256sum %2 MB").arg(formatSeconds(reference.median())).arg(megabytes, 0, 'f', 0),
             reference.median(), reference.ok(), target);
}

void Bench::historyJobs(const QMap<int, QString>& files)
{
    const int size = departmentSize(m_options.sizes);
    const int small = *std::min_element(m_options.sizes.begin(), m_options.sizes.end());
    m_history = ensureHistory(m_options.dataDir, size, files.value(size), PerMember, m_log);
    m_smallHistory
        = small == size ? m_history : ensureHistory(m_options.dataDir, small, files.value(small), PerMember, m_log);
    if (m_history.isEmpty() || m_smallHistory.isEmpty()) {
        m_failures << QStringLiteral("no history to measure");
        return;
    }
    const qint64 entries = historyEntries(size, PerMember);
    verifyBesideSha256(m_history, entries);
    const qint64 members = countRows(files.value(size), QStringLiteral("SELECT rowid FROM MT"));
    compareOurs(QStringLiteral("start-up beside the history"), entries, {QStringLiteral("startup"), m_history},
                {QStringLiteral("startup"), files.value(size)}, members, 1.1);
    compareOurs(QStringLiteral("untested list \"1 Unit\" beside it"), entries,
                {QStringLiteral("list"), m_history, QStringLiteral("0")},
                {QStringLiteral("list"), files.value(size), QStringLiteral("0")},
                countRows(files.value(size), masktest::translate(sqliteEngine(), untestedQueries().first())), 1.1);

    // Writes change their files: copies of the smallest, with a history of 50 entries a member.
    const QString with = QDir(m_scratch.path()).filePath(QStringLiteral("writes-with.mdb"));
    const QString without = QDir(m_scratch.path()).filePath(QStringLiteral("writes-without.mdb"));
    QFile::remove(with);
    if (!QFile::copy(m_smallHistory, with) || !copyWithoutHistory(files.value(small), without, m_log)) {
        m_failures << QStringLiteral("no files to write to");
        return;
    }
    QFile::setPermissions(with, QFile::ReadOwner | QFile::WriteOwner);
    writesWithAndWithout(small, with, without);
}

void Bench::writesWithAndWithout(int size, const QString& with, const QString& without)
{
    for (const char* kind : {"save", "update", "delete"}) {
        const QString name = QStringLiteral("%1 a record, with the history").arg(QString::fromLatin1(kind));
        compareOurs(name, size, {QStringLiteral("write"), with, QString::fromLatin1(kind), QString::number(Writes)},
                    {QStringLiteral("write"), without, QString::fromLatin1(kind), QString::number(Writes)}, Writes, 1.2,
                    0);
    }
}

void Bench::historyServerJobs(const BenchServer& server, const QMap<int, QString>& files)
{
    if (m_history.isEmpty())
        return;
    const int size = departmentSize(m_options.sizes);
    const int small = *std::min_element(m_options.sizes.begin(), m_options.sizes.end());
    const QString plain = QStringLiteral("bench_%1").arg(size);
    const QString history
        = copyDatabase(server, plain, QStringLiteral("bench_hist_%1").arg(size), m_history, true, m_log);
    const QString with = copyDatabase(server, QStringLiteral("bench_%1").arg(small),
                                      QStringLiteral("bench_hist_%1").arg(small), m_smallHistory, true, m_log);
    const QString without = copyDatabase(server, QStringLiteral("bench_%1").arg(small),
                                         QStringLiteral("bench_nohist_%1").arg(small), QString(), false, m_log);
    if (history.isEmpty() || with.isEmpty() || without.isEmpty()) {
        m_failures << QStringLiteral("no server databases with a history");
        return;
    }
    const qint64 entries = historyEntries(size, PerMember);
    const qint64 members = countRows(files.value(size), QStringLiteral("SELECT rowid FROM MT"));
    compareOurs(QStringLiteral("start-up beside the history"), entries, {QStringLiteral("startup"), history},
                {QStringLiteral("startup"), server.location(plain)}, members, 1.1);
    compareOurs(QStringLiteral("untested list \"1 Unit\" beside it"), entries,
                {QStringLiteral("list"), history, QStringLiteral("0")},
                {QStringLiteral("list"), server.location(plain), QStringLiteral("0")},
                countRows(files.value(size), masktest::translate(sqliteEngine(), untestedQueries().first())), 1.1);
    writesWithAndWithout(small, with, without);
}

} // namespace vantor::bench
