// The fit tests' jobs: the due list and a member's tests beside the same SQL in sqlite3 or
// psql, and the records window's start-up with the tests beside MT against start-up without.
#include "bench.h"
#include "datagen.h"
#include "fittestdata.h"

#include <duelist.h>
#include <engine.h>

namespace vantor::bench {

namespace {

const QString MemberTests
    = QStringLiteral(R"(SELECT * FROM "FitTest" WHERE "Member" = %1 ORDER BY "TestDate" DESC, "row_key" DESC)");

// The due list's statement with its one value written in, for the shells.
QString dueSql(const QString& rowKey)
{
    auto [sql, values] = due::dueStatement(due::groups().first(), QDate::currentDate().addDays(30), rowKey);
    return sql.replace(u'?', u'\'' + values.first().toString() + u'\'');
}

} // namespace

void Bench::startupBesideTests(int size, const QString& location, const QString& plain)
{
    Series with, without;
    measureOurs({QStringLiteral("startup"), location}, with, false);
    measureOurs({QStringLiteral("startup"), plain}, without, false);
    for (int i = 0; i < m_options.runs && with.failure.isEmpty() && without.failure.isEmpty(); ++i) {
        measureOurs({QStringLiteral("startup"), location}, with, true);
        measureOurs({QStringLiteral("startup"), plain}, without, true);
    }
    const QString label
        = QStringLiteral("start-up beside fit tests (%1%2)").arg(formatCount(size), m_onServer ? ", server" : "");
    check(label, with, without.rows, QString());
    QString target;
    if (with.ok() && without.ok()) {
        // Within the spread of start-ups: a tenth, or a millisecond on a short one.
        const double more = with.median() - without.median();
        const bool held = with.median() <= without.median() * 1.1 || more <= 0.001;
        target = QStringLiteral("unchanged (<=1.1x or +1 ms) %1")
                     .arg(held ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        if (!held)
            m_missed << QStringLiteral("%1: %2 against %3 without tests")
                            .arg(label, formatSeconds(with.median()), formatSeconds(without.median()));
    }
    printRow(QStringLiteral("start-up, 5 fit tests a member"), size, with,
             formatSeconds(without.median()) + QStringLiteral(" without tests"), without.median(), without.ok(),
             target);
}

void Bench::fitTestJobs(const QMap<int, QString>& files, const QMap<int, QString>& locations,
                        const QMap<int, QString>& plainLocations, const Engine& engine)
{
    for (auto it = locations.cbegin(); it != locations.cend(); ++it) {
        const int size = it.key();
        const QString& location = it.value();
        const QString& file = files.value(size);
        startupBesideTests(size, location, plainLocations.value(size));
        storeJob(QStringLiteral("fit tests due within 30 days"), size, {QStringLiteral("due"), location}, location,
                 dueSql(engine.rowKeyColumn()), countRows(file, dueSql(QStringLiteral("rowid"))), QString());
        const QString member = QString::number(middleMemberWithTests(file));
        storeJob(QStringLiteral("open a member's fit tests"), size, {QStringLiteral("fittests"), location, member},
                 location, MemberTests.arg(member), countRows(file, MemberTests.arg(member)), QString(), 0.050);
    }
}

} // namespace vantor::bench
