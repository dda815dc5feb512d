// The history of every change as the store and the database keep it, on a file and on a
// server: written in the same transaction as the change, through this program and past it.
#include "historysupport.h"

#include "../fittests/fittestsupport.h"

#include <copyrecords.h>
#include <legacyimport.h>
#include <mainrecords.h>
#include <recordset.h>
#include <schema.h>

#include <QTemporaryDir>

using namespace vantor;
using test::row;

namespace {

enum How { SaveNew, Update, Delete, SaveTest, DeleteTest, ShellUpdate, ShellDelete };

const QList<test::Row> TwoMembers{row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Rank", "FF"}}),
                                  row({{"ID", "B200"}, {"Last", "BOYD"}, {"Rank", "LT"}})};

QString keyColumn(const QString& path)
{
    return test::rowKeyColumn(path);
}

// The one record of MT with `fdid`, as the records window holds it after a search.
StoreError openMember(RecordSet& records, const QString& path, const QString& fdid)
{
    return records.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), test::connectionString(path), {fdid});
}

} // namespace

class tst_History : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString database(const QList<test::Row>& rows)
    {
        return test::createDatabase(m_dir.path(), rows, QStringLiteral("h%1.mdb").arg(++m_files));
    }

    // Carries out `how` on A100 of `path`; the key of the record changed.
    qint64 change(How how, const QString& path)
    {
        const qint64 member = test::memberKey(path, QStringLiteral("A100"));
        RecordSet records;
        fittests::MemberFitTests tests;
        switch (how) {
        case SaveNew: {
            if (openMember(records, path, QStringLiteral("A100")) || records.addNew()
                || records.setValue(QStringLiteral("ID"), QStringLiteral("C300"))
                || records.setValue(QStringLiteral("Last"), QStringLiteral("CRUZ")) || records.update())
                return 0;
            return records.currentKey();
        }
        case Update:
            if (openMember(records, path, QStringLiteral("A100"))
                || records.setValue(QStringLiteral("Last"), QStringLiteral("ALLAN")) || records.update())
                return 0;
            return member;
        case Delete: return openMember(records, path, QStringLiteral("A100")) || records.deleteCurrent() ? 0 : member;
        case SaveTest: {
            fittests::FitTest test = test::scbaTest(QDate(2026, 3, 7), 2300);
            return tests.open(RecordsLocation::fromText(path), member) || tests.save(test, {}) ? 0 : test.key;
        }
        case DeleteTest: {
            fittests::FitTest test = test::scbaTest(QDate(2026, 3, 7), 2300);
            if (tests.open(RecordsLocation::fromText(path), member) || tests.save(test, {}) || tests.remove(test.key))
                return 0;
            return test.key;
        }
        case ShellUpdate:
            return test::shell(path, QStringLiteral(R"(UPDATE "MT" SET "Last" = 'ALLAN' WHERE "ID" = 'A100')")).first
                    == 0
                ? member
                : 0;
        case ShellDelete:
            return test::shell(path, QStringLiteral(R"(DELETE FROM "MT" WHERE "ID" = 'A100')")).first == 0 ? member : 0;
        }
        return 0;
    }

private slots:
    void everyChangeLeavesAnEntry_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fdid");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before"); // "-": no record before
        QTest::addColumn<QString>("after"); // "-": no record after
        QTest::addColumn<bool>("byVantor");
        QTest::newRow("saved in the window") << int(SaveNew) << "MT"
                                             << "add"
                                             << "C300"
                                             << "Last"
                                             << "-"
                                             << "CRUZ" << true;
        QTest::newRow("updated in the window") << int(Update) << "MT"
                                               << "change"
                                               << "A100"
                                               << "Last"
                                               << "ALLEN"
                                               << "ALLAN" << true;
        QTest::newRow("deleted in the window") << int(Delete) << "MT"
                                               << "delete"
                                               << "A100"
                                               << "Rank"
                                               << "FF"
                                               << "-" << true;
        QTest::newRow("fit test saved") << int(SaveTest) << "FitTest"
                                        << "add"
                                        << "A100"
                                        << "TestDate"
                                        << "-"
                                        << "2026-03-07" << true;
        QTest::newRow("fit test deleted") << int(DeleteTest) << "FitTest"
                                          << "delete"
                                          << "A100"
                                          << "Tester"
                                          << "SAFETY OFFICER"
                                          << "-" << true;
        QTest::newRow("updated with the shell") << int(ShellUpdate) << "MT"
                                                << "change"
                                                << "A100"
                                                << "Last"
                                                << "ALLEN"
                                                << "ALLAN" << false;
        QTest::newRow("deleted with the shell") << int(ShellDelete) << "MT"
                                                << "delete"
                                                << "A100"
                                                << "Last"
                                                << "ALLEN"
                                                << "-" << false;
    }

    // Who, when, which record with its FDID, what was done, and the field before and after.
    void everyChangeLeavesAnEntry()
    {
        QFETCH(int, how);
        QFETCH(QString, record);
        QFETCH(QString, action);
        QFETCH(QString, fdid);
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, byVantor);
        const QString path = database(TwoMembers);
        const QDateTime from = QDateTime::currentDateTimeUtc().addSecs(-1);
        const qint64 key = change(How(how), path);
        QVERIFY(key > 0);
        const QDateTime to = QDateTime::currentDateTimeUtc().addSecs(1);

        const QList<test::StoredEntry> entries = test::storedEntries(path);
        QVERIFY(!entries.isEmpty());
        const test::StoredEntry& entry = entries.last();
        QCOMPARE(entry.text("Record"), record);
        QCOMPARE(entry.text("Action"), action);
        QCOMPARE(entry.fields.value(QStringLiteral("RecordKey")).toLongLong(), key);
        QCOMPARE(entry.text("FDID"), fdid);
        const QByteArray name = field.toLatin1();
        QCOMPARE(before == u"-" ? entry.isNull("Before") : entry.before(name.constData()).toString() == before, true);
        QCOMPARE(after == u"-" ? entry.isNull("After") : entry.after(name.constData()).toString() == after, true);
        const QDateTime at = test::entryTime(entry);
        QVERIFY2(at >= from && at <= to, qPrintable(entry.text("At")));
        // Past the program, a file knows no one; a server names the login role all the same.
        const bool named = byVantor || test::onServer();
        QCOMPARE(entry.text("Who"), named ? test::ourWriter(path) : QString());
        // A file's entry written past the program waits for the program's next write to be sealed.
        QCOMPARE(entry.isNull("Hash"), !named);
        const history::Verification check = test::verified(path);
        QVERIFY2(check.isWhole(), qPrintable(test::findingsOf(check).join(u',')));
    }

    void refusedEntryRefusesTheChange_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("operation");
        QTest::newRow("the entry") << "History"
                                   << "INSERT";
        // The second step: a file's seal, a server's head of the chain.
        if (test::onServer())
            QTest::newRow("the head") << "HistoryHead"
                                      << "UPDATE";
        else
            QTest::newRow("the seal") << "History"
                                      << "UPDATE";
    }

    // An entry that cannot be written takes the change with it: the record and the test stay as they were.
    void refusedEntryRefusesTheChange()
    {
        QFETCH(QString, table);
        QFETCH(QString, operation);
        const QString path = database(TwoMembers);
        const QList<test::Row> rows = test::readRows(path);
        const qsizetype entries = test::storedEntries(path).size();
        // A server runs one statement at a time: the function first.
        if (test::onServer())
            QVERIFY(test::execute(path,
                                  QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                                 "$$BEGIN RAISE EXCEPTION 'history refused'; END$$")));
        const QString refusal = test::onServer()
            ? QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON \"%2\" FOR EACH ROW EXECUTE FUNCTION refuse()")
            : QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON \"%2\" BEGIN SELECT RAISE(ABORT, 'history refused'); "
                             "END");
        QVERIFY(test::execute(path, refusal.arg(operation, table)));

        RecordSet records;
        QVERIFY(!openMember(records, path, QStringLiteral("A100")));
        QVERIFY(!records.setValue(QStringLiteral("Last"), QStringLiteral("ALLAN")));
        const StoreError error = records.update();
        QVERIFY2(error.description.contains(u"history refused"), qPrintable(error.description));
        fittests::MemberFitTests tests;
        QVERIFY(!tests.open(RecordsLocation::fromText(path), test::memberKey(path, QStringLiteral("A100"))));
        fittests::FitTest test = test::scbaTest(QDate(2026, 3, 7));
        QVERIFY(tests.save(test, {}));
        QCOMPARE(test::readRows(path), rows);
        QCOMPARE(test::scalar(path, QStringLiteral(R"(SELECT count(*) FROM "FitTest")")).toInt(), 0);
        QCOMPARE(test::storedEntries(path).size(), entries);
    }

    void upgradeStartsTheHistory_data()
    {
        QTest::addColumn<bool>("withTests");
        QTest::newRow("from version 1") << false;
        QTest::newRow("from version 2, with a fit test") << true;
    }

    // One entry per record, in the upgrading user's name; the history is whole from there on.
    void upgradeStartsTheHistory()
    {
        QFETCH(bool, withTests);
        const QString path = test::earlierRecords(m_dir.path());
        if (withTests) {
            Connection owner;
            QVERIFY(!owner.open(test::connectionString(path)));
            for (const TableDefinition& table : schema::tablesBesideMaskTests()) {
                for (const QString& sql : owner.engine()->createTableStatements(table))
                    QVERIFY(!owner.execute(sql));
            }
            QVERIFY(!owner.execute(QStringLiteral(R"(INSERT INTO "VantorSchema" ("Version") VALUES (2))")));
            fittests::MemberFitTests tests;
            const qint64 member
                = test::scalar(path, QStringLiteral(R"(SELECT min(%1) FROM "MT")").arg(keyColumn(path))).toLongLong();
            QVERIFY(!tests.open(RecordsLocation::fromText(path), member));
            fittests::FitTest test = test::scbaTest(QDate(2026, 3, 7));
            QVERIFY(!tests.save(test, {}));
        }
        const int members = int(test::readRows(path).size());
        Connection connection;
        bool upgraded = false;
        QVERIFY(!connection.open(test::connectionString(path)) && !schema::upgrade(connection, &upgraded));
        QVERIFY(upgraded);
        const QList<test::StoredEntry> entries = test::storedEntries(path);
        QCOMPARE(entries.size(), members + (withTests ? 1 : 0));
        for (const test::StoredEntry& entry : entries) {
            QCOMPARE(entry.text("Action"), "start");
            QCOMPARE(entry.text("Who"), test::ourWriter(path));
            QVERIFY(entry.isNull("Before") && !entry.isNull("After") && !entry.isNull("Hash"));
            QVERIFY(entry.text("Note").contains(u"upgraded"));
        }
        QCOMPARE(entries.last().text("Record"), withTests ? "FitTest" : "MT");
        const history::Verification check = test::verified(path);
        QVERIFY2(check.isWhole() && check.findings.isEmpty(), qPrintable(test::findingsOf(check).join(u',')));
    }

    // A records file of its own, whatever engine the test runs on.
    QString fileDatabase(const QList<test::Row>& rows)
    {
        const QString path = m_dir.filePath(QStringLiteral("f%1.mdb").arg(++m_files));
        if (masktest::createDatabase(RecordsLocation::file(path)))
            return {};
        for (const test::Row& r : rows) {
            if (!test::execute(path, QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last", "Rank") VALUES (?, ?, ?))"),
                               {r.at(0), r.at(1), r.at(4)}))
                return {};
        }
        return path;
    }

    void copyCarriesTheHistory_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<bool>("toServer");
        QTest::newRow("into a file") << false << false;
        if (test::onServer()) {
            QTest::newRow("into a server") << false << true;
            QTest::newRow("from a file into a server") << true << true;
        }
    }

    // The records keep their keys, the entries their numbers, texts and seals; the target's own
    // triggers add nothing, and its next change chains on.
    void copyCarriesTheHistory()
    {
        QFETCH(bool, fromFile);
        QFETCH(bool, toServer);
        const QString source = fromFile ? fileDatabase(TwoMembers) : database(TwoMembers);
        QVERIFY(change(SaveTest, source) > 0);
        QVERIFY(change(Delete, source) > 0); // a gap in the keys, which the copy keeps; its test goes with it
        QVERIFY(test::shell(source, QStringLiteral(R"(UPDATE "MT" SET "Rank" = 'BC' WHERE "ID" = 'B200')")).first == 0);
        const QString target = toServer ? test::testServer().uri(test::testServer().newDatabase())
                                        : m_dir.filePath(QStringLiteral("copy%1.mdb").arg(++m_files));
        qsizetype copied = 0;
        const StoreError error
            = masktest::copyRecords(RecordsLocation::fromText(source), RecordsLocation::fromText(target), &copied);
        QVERIFY2(!error, qPrintable(error.description));
        QCOMPARE(copied, 1);
        QCOMPARE(test::memberKey(target, QStringLiteral("B200")), test::memberKey(source, QStringLiteral("B200")));
        const QList<test::StoredEntry> from = test::storedEntries(source), to = test::storedEntries(target);
        QCOMPARE(to.size(), from.size());
        for (qsizetype i = 0; i < from.size(); ++i) {
            QCOMPARE(to.at(i).number, from.at(i).number);
            for (const char* column : {"At", "Who", "Record", "FDID", "Action", "Before", "After", "Note"})
                QCOMPARE(to.at(i).text(column), from.at(i).text(column));
            // Entries the file's shell left unsealed are sealed on the way, and say so.
            if (!from.at(i).isNull("Hash"))
                QCOMPARE(to.at(i).text("Hash"), from.at(i).text("Hash"));
            else
                QVERIFY(!to.at(i).isNull("Hash") && !to.at(i).isNull("Sealed"));
        }
        RecordSet records;
        QVERIFY(!openMember(records, target, QStringLiteral("B200")));
        QVERIFY(!records.setValue(QStringLiteral("Last"), QStringLiteral("BOYDE")) && !records.update());
        QCOMPARE(test::storedEntries(target).size(), from.size() + 1);
        const history::Verification check = test::verified(target);
        QVERIFY2(check.isWhole(), qPrintable(test::findingsOf(check).join(u',')));
    }

    // Records that kept no history begin theirs at the target, naming where they came from.
    void copyStartsTheHistoryOfRecordsWithoutOne()
    {
        const QString source = test::earlierRecords(m_dir.path());
        const QString target = m_dir.filePath(QStringLiteral("copy%1.mdb").arg(++m_files));
        QVERIFY(!masktest::copyRecords(RecordsLocation::fromText(source), RecordsLocation::fromText(target)));
        const QList<test::StoredEntry> entries = test::storedEntries(target);
        QCOMPARE(entries.size(), test::readRows(source).size());
        for (const test::StoredEntry& entry : entries) {
            QCOMPARE(entry.text("Action"), "start");
            QVERIFY(entry.text("Note").contains(u"copied from"));
        }
        QVERIFY(test::verified(target).isWhole());
    }

    // An old Access file's records each begin with one entry: "converted from" its name.
    void conversionWritesOneEntryPerRecord()
    {
        const QString source
            = QDir(qEnvironmentVariable("VANTOR_FIXTURES")).filePath(QStringLiteral("legacy/MaskTest-text.mdb"));
        const QString target = m_dir.filePath(QStringLiteral("converted%1.mdb").arg(++m_files));
        qsizetype rows = 0;
        const StoreError error = legacy::convertFile(source, target, &rows);
        QVERIFY2(!error, qPrintable(error.description));
        const QList<test::StoredEntry> entries = test::storedEntries(target);
        QCOMPARE(entries.size(), rows);
        for (const test::StoredEntry& entry : entries) {
            QCOMPARE(entry.text("Action"), "convert");
            QCOMPARE(entry.text("Note"), "converted from MaskTest-text.mdb");
            QCOMPARE(entry.text("Who"), history::localWriter());
        }
        const history::Verification check = test::verified(target);
        QVERIFY2(check.isWhole() && check.findings.isEmpty(), qPrintable(test::findingsOf(check).join(u',')));
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_history.moc"
