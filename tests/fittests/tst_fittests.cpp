// The fit tests in the store, on both engines: the rules of a record, the member's date that
// follows a passed test, tests that go and change with their member, conflicts between
// stations, upgrades and copies of the records, and who is due.
#include "fittestsupport.h"

#include <copyrecords.h>
#include <duelist.h>
#include <mainrecords.h>
#include <masktest.h>
#include <schema.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace vantor;
using fittests::FitTest;
using test::row;
using test::Row;

namespace {

const QDate Today(2026, 6, 15);

Row member(const char* id, const char* unit = "1", const char* batt = "3", const char* special = "")
{
    return row({{"ID", id},
                {"Last", "DOE"},
                {"First", "JO"},
                {"Rank", "FF"},
                {"Unit", unit},
                {"Batt", batt},
                {"Special", special},
                {"Month", ""},
                {"Day", ""},
                {"Year", ""}});
}

int versionOf(const QString& path)
{
    Connection connection;
    int version = 0;
    if (connection.open(test::connectionString(path)) || schema::readVersion(connection, version))
        return -1;
    return version;
}

} // namespace

class tst_FitTests : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString records(const QList<Row>& rows)
    {
        return test::createDatabase(m_dir.path(), rows, QString::number(++m_files) + QStringLiteral(".mdb"));
    }
    // Saves `test` for the member with `fdid`; its key, 0 on failure.
    qint64 save(const QString& path, const char* fdid, FitTest test, const fittests::RecordingChange& recording = {})
    {
        fittests::MemberFitTests store;
        const StoreError error = store.open(RecordsLocation::fromText(path), test::memberKey(path, fdid));
        const StoreError saved = error ? error : store.save(test, recording);
        if (saved)
            qWarning("%s", qPrintable(saved.description));
        return saved ? 0 : test.key;
    }

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read"); // the date or the fit factor it gives; empty: refused
        QTest::newRow("month/day/two-digit year") << "3/7/26"
                                                  << "2026-03-07";
        QTest::newRow("dashes, zeros") << "03-07-2026"
                                       << "2026-03-07";
        QTest::newRow("ISO") << "2026-3-7"
                             << "2026-03-07";
        QTest::newRow("February 30th") << "2/30/2026"
                                       << "";
        QTest::newRow("day first") << "15/6/2026"
                                   << "";
        QTest::newRow("words") << "March 7"
                               << "";
        QTest::newRow("factor grouped") << "2,300"
                                        << "2,300";
        QTest::newRow("factor ungrouped") << "12500"
                                          << "12,500";
        QTest::newRow("factor with a decimal") << "145.5"
                                               << "145.5";
        QTest::newRow("factor grouped wrongly") << "2,30"
                                                << "";
        QTest::newRow("factor with two decimals") << "1.25"
                                                  << "";
    }
    void rules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        const bool factor = !typed.contains(u'/') && !typed.contains(u'-') && !typed.contains(u' ');
        const std::optional<double> fitFactor = fittests::parseFitFactor(typed);
        const std::optional<QDate> date = fittests::parseTypedDate(typed);
        QCOMPARE(factor ? (fitFactor ? fittests::shownFitFactor(*fitFactor) : QString())
                        : (date ? date->toString(Qt::ISODate) : QString()),
                 read);
    }
    void passingFitFactors_data()
    {
        QTest::addColumn<int>("facepiece");
        QTest::addColumn<double>("fitFactor");
        QTest::addColumn<bool>("passes");
        QTest::newRow("half, 99.9") << int(fittests::Facepiece::Half) << 99.9 << false;
        QTest::newRow("half, 100") << int(fittests::Facepiece::Half) << 100.0 << true;
        QTest::newRow("full, 499.9") << int(fittests::Facepiece::Full) << 499.9 << false;
        QTest::newRow("full, 500") << int(fittests::Facepiece::Full) << 500.0 << true;
        QTest::newRow("SCBA, 2300") << int(fittests::Facepiece::Full) << 2300.0 << true;
    }
    void passingFitFactors()
    {
        QFETCH(int, facepiece);
        QFETCH(double, fitFactor);
        QTEST(fittests::passes(fittests::Facepiece(facepiece), fitFactor), "passes");
    }
    // Twelve months on, a pass on February 29th falls due on February 28th.
    void dueDates()
    {
        QCOMPARE(fittests::dueAfter(QDate(2024, 2, 29)), QDate(2025, 2, 28));
        QCOMPARE(fittests::lastPassDueBy(QDate(2025, 2, 28)), QDate(2024, 2, 29));
        QCOMPARE(fittests::lastPassDueBy(QDate(2026, 6, 5)), QDate(2025, 6, 5));
    }

    void passedTestSetsTheLastDate_data()
    {
        QTest::addColumn<QStringList>("typed"); // Month, Day, Year in the records window
        QTest::addColumn<double>("fitFactor"); // below 500 fails
        QTest::addColumn<QStringList>("after");
        const QStringList set{"3", "7", "2026"};
        QTest::newRow("no date yet") << QStringList{"", "", ""} << 2300.0 << set;
        QTest::newRow("earlier date") << QStringList{"12", "1", "2025"} << 2300.0 << set;
        QTest::newRow("not a date") << QStringList{"13", "45", "2025"} << 2300.0 << set;
        QTest::newRow("same day, typed with zeros")
            << QStringList{"03", "07", "2026"} << 2300.0 << QStringList{"03", "07", "2026"};
        QTest::newRow("later date") << QStringList{"4", "1", "2026"} << 2300.0 << QStringList{"4", "1", "2026"};
        QTest::newRow("failed") << QStringList{"12", "1", "2025"} << 300.0 << QStringList{"12", "1", "2025"};
    }
    void passedTestSetsTheLastDate()
    {
        QFETCH(QStringList, typed);
        QFETCH(double, fitFactor);
        QFETCH(QStringList, after);
        Row a100 = member("A100");
        a100[9] = typed.at(0), a100[10] = typed.at(1), a100[11] = typed.at(2);
        const QString path = records({member("B200"), a100});
        fittests::MemberFitTests store;
        QVERIFY(!store.open(RecordsLocation::fromText(path), test::memberKey(path, "A100")));
        FitTest test = test::scbaTest(QDate(2026, 3, 7), fitFactor);
        bool dateSet = false;
        QVERIFY(!store.save(test, {}, &dateSet));
        QCOMPARE(dateSet, after != typed);
        const Row stored = test::readRows(path).at(1);
        QCOMPARE((QStringList{stored.at(9).toString(), stored.at(10).toString(), stored.at(11).toString()}), after);
        QCOMPARE(store.member().month, after.at(0));
        QCOMPARE(store.tests().size(), 1);
        QCOMPARE(store.tests().first().passed, fitFactor >= 500);
        QCOMPARE(test::readRows(path).at(0), member("B200"));
    }

    // Whoever deletes a member, an earlier Vantor too, its tests and recordings go with it; no
    // test can name a member that is not there; a changed FDID is followed.
    void testsBelongToTheirMember()
    {
        const QString path = records({member("A100"), member("B200"), member("C300")});
        const fittests::RecordingChange recording{fittests::RecordingChange::Kind::Replace, "ff.pdf", "application/pdf",
                                                  "%PDF-1.4 recording"};
        QVERIFY(save(path, "B200", test::scbaTest(QDate(2026, 1, 5)), recording));
        QVERIFY(save(path, "B200", test::scbaTest(QDate(2025, 1, 5))));
        QVERIFY(save(path, "C300", test::scbaTest(QDate(2026, 2, 5))));
        QVERIFY(test::execute(path, QStringLiteral(R"(UPDATE "MT" SET "ID" = 'C301' WHERE "ID" = 'C300')")));
        fittests::MemberFitTests store;
        QVERIFY(!store.open(RecordsLocation::fromText(path), test::memberKey(path, "C301")));
        QCOMPARE(store.tests().size(), 1);
        QCOMPARE(store.strayTests(), 0);

        QVERIFY(test::execute(path, QStringLiteral(R"(DELETE FROM "MT" WHERE "ID" = 'B200')")));
        QCOMPARE(test::scalar(path, QStringLiteral(R"(SELECT count(*) FROM "FitTest")")).toInt(), 1);
        QCOMPARE(test::scalar(path, QStringLiteral(R"(SELECT count(*) FROM "FitTestRecording")")).toInt(), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".")));
        QVERIFY(!test::execute(path,
                               QStringLiteral(R"(INSERT INTO "FitTest" ("Member", "TestDate", "TestType", )"
                                              R"("Protocol", "Make", "Model", "Style", "Size", "FacepieceClass", )"
                                              R"("Passed", "Tester") VALUES (999999, '2026-01-01', 'QN', 'cnc', )"
                                              R"('M', 'M', 'S', 'M', 'full', 1, 'T'))")));
    }

    void stationsConflict_data()
    {
        QTest::addColumn<QString>("first"); // what the other station did
        QTest::addColumn<QString>("then"); // what this station tries
        QTest::newRow("change after a change") << "change"
                                               << "change";
        QTest::newRow("delete after a change") << "change"
                                               << "delete";
        QTest::newRow("change after a delete") << "delete"
                                               << "change";
    }
    void stationsConflict()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        const QString path = records({member("A100")});
        QVERIFY(save(path, "A100", test::scbaTest(QDate(2026, 1, 5))));
        fittests::MemberFitTests other, here;
        const qint64 key = test::memberKey(path, "A100");
        QVERIFY(!other.open(RecordsLocation::fromText(path), key));
        QVERIFY(!here.open(RecordsLocation::fromText(path), key));
        FitTest theirs = other.tests().first();
        theirs.tester = QStringLiteral("OTHER STATION");
        QVERIFY(!(first == u"change" ? other.save(theirs, {}) : other.remove(theirs.key)));

        FitTest mine = here.tests().first();
        mine.note = QStringLiteral("mine");
        const StoreError error = then == u"change" ? here.save(mine, {}) : here.remove(mine.key);
        QCOMPARE(error.number, RowConflict);
        // The list is what is stored now; a second try is made knowingly, and goes through.
        QCOMPARE(here.tests().size(), first == u"change" ? 1 : 0);
        if (first == u"change") {
            QCOMPARE(here.tests().first().tester, "OTHER STATION");
            QVERIFY(!here.save(mine, {}));
            QCOMPARE(here.tests().first().note, "mine");
        }
    }

    // The previous release's file gains the tables when it is opened; its tests and recordings
    // go to the other engine (or another file) and back unchanged, members with gaps in their keys.
    void previousReleaseFileIsUpgradedAndCopied()
    {
        const QString source = test::earlierRecords(m_dir.path());
        const QList<Row> before = test::readRows(source);
        QVERIFY(before.size() >= 2);
        QCOMPARE(versionOf(source), schema::FirstVersion);
        if (test::onServer()) {
            QCOMPARE(schema::requireFitTests(*openMainRecords(RecordsLocation::fromText(source)).connection,
                                             RecordsLocation::fromText(source))
                         .number,
                     TableNotFound);
            Connection owner;
            QVERIFY(!owner.open(test::connectionString(source)));
            QVERIFY(!schema::upgrade(owner));
        } else {
            QVERIFY(!openMainRecords(RecordsLocation::fromText(source)).error);
        }
        QCOMPARE(versionOf(source), schema::CurrentVersion);
        QCOMPARE(test::readRows(source), before);

        QByteArray picture(300000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(picture.data()), picture.size() / 4);
        // A member deleted before, as the earlier program deletes: the keys have a gap.
        QVERIFY(test::execute(source, QStringLiteral(R"(DELETE FROM "MT" WHERE "ID" = ?)"), {before.at(1).at(0)}));
        const QString first = before.first().at(0).toString(), last = before.last().at(0).toString();
        QVERIFY(save(source, qPrintable(first), test::scbaTest(QDate(2026, 3, 7)),
                     {fittests::RecordingChange::Kind::Replace, "portacount.png", "image/png", picture}));
        FitTest failed = test::scbaTest(QDate(2026, 3, 6), 145.5);
        failed.note = QStringLiteral("été, 'quoted'");
        QVERIFY(save(source, qPrintable(last), failed));
        const QStringList stored = test::storedTests(source);
        QCOMPARE(stored.size(), 2);

        const QString between = test::onServer() ? test::testServer().uri(test::testServer().newDatabase())
                                                 : m_dir.filePath(QStringLiteral("between.mdb"));
        const QString back = m_dir.filePath(QStringLiteral("back.mdb"));
        if (test::onServer())
            QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(between)));
        QVERIFY(!masktest::copyRecords(RecordsLocation::fromText(source), RecordsLocation::fromText(between)));
        QVERIFY(!masktest::copyRecords(RecordsLocation::fromText(between), RecordsLocation::file(back)));
        QCOMPARE(test::storedTests(back), stored);
        QCOMPARE(test::readRows(back), test::readRows(source));
    }

    // VACUUM keeps the keys of a table with an index, which MT always has; a file rebuilt
    // without its row numbers (sqlite3's .dump, read into a new file) moves tests onto other
    // members, where they are caught and count for no one.
    void renumberedMembersAreCaught()
    {
        QString path = records({member("A100"), member("B200"), member("C300"), member("D400")});
        QVERIFY(test::execute(path, QStringLiteral(R"(DELETE FROM "MT" WHERE "ID" = 'B200')")));
        QVERIFY(save(path, "C300", test::scbaTest(QDate(2026, 3, 7))));
        const qint64 c300 = test::memberKey(path, "C300");
        QVERIFY(test::execute(path, test::onServer() ? QStringLiteral("VACUUM FULL") : QStringLiteral("VACUUM")));
        QCOMPARE(test::memberKey(path, "C300"), c300);
        fittests::MemberFitTests store;
        QVERIFY(!store.open(RecordsLocation::fromText(path), c300));
        QCOMPARE(store.tests().size(), 1);

        if (test::onServer()) {
            QVERIFY(test::execute(path, QStringLiteral(R"(UPDATE "FitTest" SET "Member" = ?)"),
                                  {test::memberKey(path, "D400")}));
        } else {
            const QString rebuilt = m_dir.filePath(QStringLiteral("rebuilt.mdb"));
            QCOMPARE(
                test::run({"sh", "-c", QStringLiteral("sqlite3 '%1' .dump | sqlite3 '%2'").arg(path, rebuilt)}).first,
                0);
            path = rebuilt;
            QCOMPARE(test::memberKey(path, "D400"), c300);
        }
        QVERIFY(!store.open(RecordsLocation::fromText(path), test::memberKey(path, "D400")));
        QCOMPARE(store.tests().size(), 0);
        QCOMPARE(store.strayTests(), 1);
        const due::DueList list = due::runDueList(RecordsLocation::fromText(path), {}, 0, Today);
        QStringList listed;
        for (const due::DueMember& m : list.members)
            listed << m.id + u' ' + m.status(Today);
        QCOMPARE(listed, (QStringList{"A100 No test on record", "D400 No test on record"}));
    }

    // An upgrade that fails half-way leaves the records exactly as they were.
    void failedUpgradeChangesNothing()
    {
        const QString path = test::earlierRecords(m_dir.path());
        QVERIFY(test::execute(path, QStringLiteral(R"(CREATE TABLE "FitTestRecording" ("Other" text))")));
        const QByteArray bytes = test::onServer() ? QByteArray() : test::fileBytes(path);
        Connection connection;
        QVERIFY(!connection.open(test::connectionString(path)));
        QVERIFY(schema::upgrade(connection));
        connection.close();
        QCOMPARE(versionOf(path), schema::FirstVersion);
        const QString tables = test::onServer()
            ? QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE tablename = 'FitTest'")
            : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'FitTest'");
        QCOMPARE(test::scalar(path, tables).toInt(), 0);
        if (!test::onServer())
            QCOMPARE(test::fileBytes(path), bytes);
    }

    void dueList_data()
    {
        QTest::addColumn<QString>("group"); // as the command line names it
        QTest::addColumn<int>("within");
        QTest::addColumn<QStringList>("listed");
        const QStringList thirty{"E500 No test on record", "F600 No passed test on record", "D400 Overdue 14 days",
                                 "A100 Overdue 10 days",   "H800 Overdue 5 days",           "B200 Due in 20 days"};
        QTest::newRow("all, 30 days") << "all" << 30 << thirty;
        QTest::newRow("all, 60 days") << "all" << 60 << thirty + QStringList{"C300 Due in 47 days"};
        QTest::newRow("all, overdue only") << "all" << 0 << thirty.mid(0, 5);
        QTest::newRow("unit 1: special assignment apart")
            << "1" << 30 << QStringList{"D400 Overdue 14 days", "A100 Overdue 10 days", "B200 Due in 20 days"};
        QTest::newRow("special assignment") << "special" << 30 << QStringList{"H800 Overdue 5 days"};
        QTest::newRow("battalion 5") << "batt5" << 90 << QStringList{"C300 Due in 47 days"};
    }
    void dueList()
    {
        QFETCH(QString, group);
        QFETCH(int, within);
        Row d400 = member("D400");
        d400[9] = "6", d400[10] = "1", d400[11] = "2025";
        const QString path
            = records({member("A100"), member("B200"), member("C300", "1", "5"), d400, member("E500", "2"),
                       member("F600", "2"), member("G700"), member("H800", "1", "3", "t")});
        // A's last pass was twelve months and ten days ago; G passed again since.
        for (const auto& [fdid, date, factor] : {std::tuple{"A100", QDate(2025, 6, 5), 2300.0},
                                                 {"A100", QDate(2024, 6, 1), 2300.0},
                                                 {"A100", QDate(2025, 12, 1), 120.0},
                                                 {"B200", QDate(2025, 7, 5), 900.0},
                                                 {"C300", QDate(2025, 8, 1), 900.0},
                                                 {"F600", QDate(2026, 6, 1), 60.0},
                                                 {"G700", QDate(2025, 5, 1), 900.0},
                                                 {"G700", QDate(2026, 5, 1), 900.0},
                                                 {"H800", QDate(2025, 6, 10), 900.0}})
            QVERIFY(save(path, fdid, test::scbaTest(date, factor)));
        const due::DueList list
            = due::runDueList(RecordsLocation::fromText(path), *due::groupFromText(group), within, Today);
        QVERIFY2(!list.error, qPrintable(list.error.description));
        QStringList listed;
        for (const due::DueMember& m : list.members)
            listed << m.id + u' ' + m.status(Today);
        QTEST(listed, "listed");
        for (const due::DueMember& m : list.members) {
            if (m.id == u"A100")
                QCOMPARE(m.facepiece, "MSA G1 SCBA facepiece M");
        }
    }
};

QTEST_GUILESS_MAIN(tst_FitTests)
#include "tst_fittests.moc"
