#include "jobs.h"

#include "benchsql.h"
#include "exportjob.h"
#include "historyjobs.h"
#include "netproxy.h"

#include <duelist.h>
#include <mainrecords.h>
#include <masktest.h>
#include <memberfittests.h>
#include <recordset.h>
#include <recordslocation.h>
#include <untestedquery.h>

#include <QFile>
#include <QSqlDatabase>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <chrono>

#include <sys/resource.h>

namespace vantor::bench {

namespace {

struct Outcome {
    StoreError error;
    qint64 rows = 0;
    QString first;
};

// The fourteen fields of the current record, read by name as ShowRecord reads them.
Outcome showRecord(const RecordSet& records)
{
    Outcome outcome;
    if (records.bof() || records.eof())
        return outcome;
    for (const QString& field : masktest::fieldNames()) {
        const QVariant value = records.value(field, &outcome.error);
        if (outcome.error)
            return outcome;
        if (field == QLatin1String("ID"))
            outcome.first = value.toString();
    }
    outcome.rows = records.recordCount();
    return outcome;
}

// The records window's start-up: its own store steps, then its first record shown.
Outcome startup(MainRecords& window, const QString& path)
{
    window = openMainRecords(RecordsLocation::fromText(path));
    if (window.error)
        return {window.error, 0, {}};
    return showRecord(*window.records);
}

// Search once the FDID is typed: the window's own new record set replaces the old one,
// and its first record is shown.
Outcome search(MainRecords& window, const QString& fdid)
{
    std::unique_ptr<RecordSet> found;
    if (const StoreError error = openSearchRecords(*window.connection, fdid, found))
        return {error, 0, {}};
    window.records->close();
    window.records = std::move(found);
    return showRecord(*window.records);
}

// One entry of the query window's list: the window's own query run, the count for
// lblCount and the rows of the grid's first page.
Outcome untestedList(const QString& path, int position)
{
    const UntestedQuery run = runUntestedQuery(RecordsLocation::fromText(path), position);
    Outcome outcome;
    outcome.error = run.error;
    if (outcome.error)
        return outcome;
    const RecordSet& records = *run.records;
    outcome.rows = records.recordCount();
    const qsizetype shown = std::min<qsizetype>(FirstPageRows, records.keysetSize());
    for (qsizetype row = 0; row < shown; ++row) {
        for (int f = 0; f < records.fieldCount(); ++f) {
            const QVariant value = records.valueAt(row, f, &outcome.error);
            if (outcome.error)
                return outcome;
            if (row == 0 && f == 0)
                outcome.first = value.toString();
        }
    }
    return outcome;
}

// The Fit Tests Due window's list of every member, 30 days ahead: the statement's rows.
Outcome dueList(const QString& path)
{
    const due::DueList list
        = due::runDueList(RecordsLocation::fromText(path), due::groups().first(), 30, QDate::currentDate());
    return {list.error, list.rowsRead, list.members.isEmpty() ? QString() : list.members.first().id};
}

// The Fit Tests window's opening: its connection, the member and the member's tests.
Outcome memberTests(const QString& path, qint64 member)
{
    fittests::MemberFitTests store;
    const StoreError error = store.open(RecordsLocation::fromText(path), member);
    return {error, store.tests().size(), store.member().id};
}

// A window in use keeps the connection of what it showed before: the query window, a list
// chosen earlier. One opened and let go now waits in the pool for the job's action.
void leaveConnectionIdle(const QString& path)
{
    Connection earlier;
    earlier.open(RecordsLocation::fromText(path).connectionString());
}

qint64 peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int runJob(const QStringList& arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString job = arguments.value(0);
    QString path = arguments.value(1);
    if (path.isEmpty()) {
        err << "vantor-bench: --job needs a job name and a records file\n";
        return 2;
    }
    // At a distance: the server is reached through a relay of the job's own that holds every
    // chunk each way, and counts the round trips and connections of the timed action alone.
    std::unique_ptr<test::NetProxy> relay;
    bool atDistance = false;
    const int holdMs = qEnvironmentVariableIntValue(DistanceVariable, &atDistance);
    if (atDistance) {
        QUrl server(path);
        relay = std::make_unique<test::NetProxy>(quint16(server.port()), holdMs);
        if (server.port() <= 0 || !relay->start()) {
            err << "vantor-bench: no relay to " << path << '\n';
            return 1;
        }
        server.setPort(relay->port());
        path = server.toString();
    }

    // Qt loads its SQLite driver on first use, as the sqlite3 shell loads SQLite when it starts;
    // it is timed apart from the jobs (the shell's with an idle run of it). A server is reached
    // through libpq, which the program links: there is nothing to load.
    const auto driverStart = std::chrono::steady_clock::now();
    if (!RecordsLocation::fromText(path).isServer()) {
        {
            const QSqlDatabase probe
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-driver"));
            if (!probe.isValid()) {
                err << "vantor-bench: the Qt driver QSQLITE is not installed\n";
                return 1;
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-driver"));
    }
    const double driverSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - driverStart).count();

    // What the program has done before the user's action: a search or a list comes after
    // the records window's start-up, with its store objects open.
    MainRecords window;
    if (job != QLatin1String("startup") && job != QLatin1String("verify")) {
        if (const StoreError error = startup(window, path).error) {
            err << "vantor-bench: " << error.description << '\n';
            return 1;
        }
    }

    if (job == QLatin1String("list") || job == QLatin1String("export"))
        leaveConnectionIdle(path);

    Outcome outcome;
    QString exported;
    if (relay)
        relay->reset();
    const auto start = std::chrono::steady_clock::now();
    if (job == QLatin1String("startup")) {
        outcome = startup(window, path);
    } else if (job == QLatin1String("search")) {
        outcome = search(window, arguments.value(2));
    } else if (job == QLatin1String("list")) {
        bool ok = false;
        const int position = arguments.value(2).toInt(&ok);
        if (!ok || position < 0 || position >= untestedQueries().size()) {
            err << "vantor-bench: list needs a position from 0 to 4\n";
            return 2;
        }
        outcome = untestedList(path, position);
    } else if (job == QLatin1String("due")) {
        outcome = dueList(path);
    } else if (job == QLatin1String("fittests")) {
        outcome = memberTests(path, arguments.value(2).toLongLong());
    } else if (job == QLatin1String("verify") || job == QLatin1String("write")) {
        const int count = arguments.value(3).toInt();
        const HistoryOutcome done = job == QLatin1String("verify")
            ? verifyHistoryJob(path)
            : writeJob(*window.records, arguments.value(2), count);
        outcome = {done.error, done.rows, done.first};
    } else if (job == QLatin1String("export")) {
        QString written;
        outcome.rows = exportRows(path, arguments.value(2).toLongLong(), arguments.value(3), written);
        if (outcome.rows < 0)
            return 1;
        exported = written;
    } else {
        err << "vantor-bench: unknown job '" << job << "'\n";
        return 2;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const qint64 turns = relay ? relay->turns() : -1;
    const qint64 dials = relay ? relay->connections() : -1;
    // A write is timed one change at a time.
    if (job == QLatin1String("write") && outcome.rows > 0)
        seconds /= double(outcome.rows);
    if (outcome.error) {
        err << "vantor-bench: " << job << ": " << outcome.error.description << '\n';
        return 1;
    }
    if (!exported.isEmpty())
        QFile::remove(exported);
    out << "seconds=" << QString::number(seconds, 'f', 6) << " driver=" << QString::number(driverSeconds, 'f', 6)
        << " hwm_kib=" << peakKiB() << " rows=" << outcome.rows
        << " first=" << (outcome.first.isEmpty() ? QStringLiteral("-") : outcome.first) << " turns=" << turns
        << " dials=" << dials << Qt::endl;
    return 0;
}

} // namespace vantor::bench
