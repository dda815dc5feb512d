#include "storetest.h"

#include "fulldisk.h"

#include <connection.h>
#include <copyrecords.h>
#include <masktest.h>
#include <recordset.h>
#include <sqliteengine.h>

#include <mainsql.h>
#include <querysql.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <optional>

using namespace vantor;
using namespace vantor::storetest;
using vantor::test::row;
using vantor::test::Row;

// The record store on records files: what only a file can do or suffer.
class tst_StoreFile : public StoreTest
{
    Q_OBJECT

private slots:
    void opensAFileWhosePathNeedsQuoting()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Fire Dept #2;A"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = test::createDatabase(folder, {row({{"ID", "A100"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QCOMPARE(text(rs, "ID"), QStringLiteral("A100"));
    }
    // The window offers to convert an Access file before it opens one (the bad-files test);
    // the store itself refuses it and leaves it as it was.
    void refusesAnAccessFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("access.mdb"));
        const QByteArray access("\0\1\0\0Standard Jet DB\0\0\0\0\0\0\0\0\0\0\0\0\0", 32);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(access) == access.size());
        file.close();
        RecordSet rs;
        const StoreError error = open(rs, path);
        QCOMPARE(error.number, qint32(AccessFormatFile));
        QVERIFY(error.description.contains(path) && !rs.isOpen());
        QCOMPARE(test::fileBytes(path), access);
    }
    void earlierFileGetsCaselessIndexesWhenOpened()
    {
        const QString path = m_dir.filePath(QStringLiteral("earlier.mdb"));
        QStringList columns;
        for (const QString& name : masktest::fieldNames())
            columns << name + QStringLiteral(" TEXT");
        for (const QString& sql : {QStringLiteral("CREATE TABLE MT (%1)").arg(columns.join(u',')),
                                   QStringLiteral("CREATE INDEX MT_ID ON MT (ID)"),
                                   QStringLiteral("INSERT INTO MT (ID, Last) VALUES ('a100', 'Kept')")})
            QVERIFY(test::execute(path, sql));
        const QList<Row> before = test::readRows(path);
        RecordSet rs;
        QVERIFY(!open(rs, path, mainsql::SearchById, {QStringLiteral("A100")}));
        QCOMPARE(text(rs, "Last"), QStringLiteral("Kept"));
        QCOMPARE(test::readRows(path), before);
        // The stock shell reads the file, and its plans for the windows' texts use the new indexes.
        const QString search
            = masktest::translate(sqliteEngine(), mainsql::SearchById).replace(u'?', QStringLiteral("'x'"));
        for (const QString& sql :
             {QStringLiteral("PRAGMA integrity_check"), QStringLiteral("EXPLAIN QUERY PLAN ") + search,
              QStringLiteral("EXPLAIN QUERY PLAN ") + masktest::translate(sqliteEngine(), mainsql::StartupQuery),
              QStringLiteral("EXPLAIN QUERY PLAN ") + masktest::translate(sqliteEngine(), querysql::forPosition(1))}) {
            const auto [status, output] = test::run({QStringLiteral("sqlite3"), path, sql});
            QVERIFY2(status == 0 && (output.startsWith(u"ok") || output.contains(u"_Caseless")), qPrintable(output));
        }
    }
    void creatingTouchesNothingItDidNotMake_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<int>("number");
        QTest::newRow("no such folder") << "no/such/folder.mdb" << false << int(AccessDenied);
        QTest::newRow("disk full") << "full.mdb" << true << int(DiskFull);
    }
    void creatingTouchesNothingItDidNotMake()
    {
        QFETCH(QString, name);
        QFETCH(bool, fullDisk);
        const QString path = m_dir.filePath(name);
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        std::optional<test::ScopedFullDisk> disk;
        if (fullDisk)
            disk.emplace();

        const StoreError error = masktest::createDatabase(RecordsLocation::file(path), 5);
        QTEST(int(error.number), "number");
        QVERIFY2(error.description.contains(path), qPrintable(error.description));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        QVERIFY(!QFile::exists(path));
    }
};

// The record store on either engine: one set of tests, run on SQLite and on the server.
class tst_Store : public StoreTest
{
    Q_OBJECT

private slots:
    void emptySetIsAtBofAndEof()
    {
        RecordSet rs;
        QVERIFY(!open(rs, database({})));
        QVERIFY(rs.bof() && rs.eof());
        QCOMPARE(rs.recordCount(), 0);
        QCOMPARE(rs.moveNext().number, qint32(NoCurrentRecord));
        QCOMPARE(rs.deleteCurrent().number, qint32(NoCurrentRecord));
        StoreError error;
        rs.value(QStringLiteral("ID"), &error);
        QCOMPARE(error.number, qint32(NoCurrentRecord));
    }
    void readsNullsAndTextsUnchangedInIdOrder()
    {
        RecordSet rs;
        QVERIFY(!open(rs,
                      database({row({{"ID", "C300"}}), row({{"ID", "A100"}, {"Init", ""}, {"AssignTo", " HQ "}}),
                                row({{"ID", "B200"}})})));
        QCOMPARE(rs.fieldNames(), masktest::fieldNames());
        QCOMPARE(text(rs, "ID"), QStringLiteral("A100"));
        QCOMPARE(text(rs, "AssignTo"), QStringLiteral(" HQ "));
        QVERIFY(!rs.value(QStringLiteral("Init")).isNull() && text(rs, "Init").isEmpty());
        QVERIFY(rs.value(QStringLiteral("Special")).isNull());
        StoreError error;
        rs.value(QStringLiteral("Nope"), &error);
        QCOMPARE(error.number, qint32(FieldNotFound)); // a missing field is a failure, not an empty value
        QVERIFY(!rs.moveLast());
        QCOMPARE(rs.value(0).toString(), QStringLiteral("C300"));
        QVERIFY(!rs.moveNext());
        QVERIFY(rs.eof() && !rs.bof());
        QCOMPARE(rs.moveNext().number, qint32(NoCurrentRecord));
    }
    void updateAndDeleteTouchOnlyTheCurrentRowAmongDuplicateIds()
    {
        const QString path
            = database({row({{"ID", "A100"}, {"Last", "FIRST"}}), row({{"ID", "A100"}, {"Last", "SECOND"}}),
                        row({{"ID", "A100"}, {"Last", "THIRD"}})});
        auto lasts = [&path] {
            QStringList l;
            for (const Row& r : test::readRows(path))
                l << r.at(1).toString();
            return l;
        };
        RecordSet rs;
        QVERIFY(!open(rs, path, QStringLiteral("SELECT * FROM MT WHERE ID = ? ORDER BY Last DESC"),
                      {QStringLiteral("A100")}));
        QVERIFY(!rs.moveNext());
        QCOMPARE(text(rs, "Last"), QStringLiteral("SECOND"));
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral(" CHANGED ")));
        QVERIFY(!rs.update());
        QCOMPARE(lasts(), QStringList({"FIRST", " CHANGED ", "THIRD"}));

        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(lasts(), QStringList({"FIRST", "THIRD"}));
        // The position stays on the deleted row until the next move.
        QVERIFY(!rs.bof() && !rs.eof());
        QCOMPARE(rs.deleteCurrent().number, qint32(NoCurrentRecord));
        QVERIFY(!rs.moveNext());
        QCOMPARE(text(rs, "Last"), QStringLiteral("FIRST"));
        QVERIFY(!rs.deleteCurrent());
        QVERIFY(!rs.moveLast()); // skips both deleted rows
        QCOMPARE(text(rs, "Last"), QStringLiteral("THIRD"));
        QVERIFY(!rs.deleteCurrent());
        QVERIFY(rs.bof() && rs.eof());
        QVERIFY(test::readRows(path).isEmpty());
    }
    void conflictsChangeNothing_data()
    {
        QTest::addColumn<QString>("otherProgram");
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<bool>("updatedBefore"); // the set had written the row once already
        const QString changed = R"(UPDATE "MT" SET "Last" = 'THEIRS' WHERE "ID" = 'A100')";
        QTest::newRow("row changed") << changed << Reading::OnDemand << false;
        QTest::newRow("row changed after our own update") << changed << Reading::OnDemand << true;
        QTest::newRow("row changed, set read all at once") << changed << Reading::AllAtOnce << false;
        QTest::newRow("case changed") << R"(UPDATE "MT" SET "Last" = 'Mine' WHERE "ID" = 'A100')" << Reading::OnDemand
                                      << false;
        QTest::newRow("null became empty")
            << R"(UPDATE "MT" SET "Init" = '' WHERE "ID" = 'A100')" << Reading::AllAtOnce << false;
        QTest::newRow("row removed") << R"(DELETE FROM "MT" WHERE "ID" = 'A100')" << Reading::OnDemand << true;
    }
    void conflictsChangeNothing()
    {
        QFETCH(QString, otherProgram);
        QFETCH(Reading, reading);
        QFETCH(bool, updatedBefore);
        const QString path = database({row({{"ID", "A100"}, {"Last", "MINE"}}), row({{"ID", "B200"}, {"Init", ""}})});
        RecordSet rs;
        QVERIFY(!open(rs, path, AllById, {}, reading));
        QCOMPARE(text(rs, "Last"), QStringLiteral("MINE")); // read before the other program's change
        QVERIFY(!rs.value(QStringLiteral("Init")).isValid());
        if (updatedBefore)
            QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("OURS")) && !rs.update());
        // Nothing of the file stays locked by the open set: the other program writes at once.
        QVERIFY(test::execute(path, otherProgram));
        QList<Row> expected = test::readRows(path);
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("X")));
        QCOMPARE(rs.update().number, qint32(RowConflict));
        rs.cancelUpdate();
        QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
        QCOMPARE(test::readRows(path), expected);
        // The set goes on with the rows no one else changed, and still tells an empty text from null.
        QVERIFY(!rs.moveNext());
        QCOMPARE(rs.value(QStringLiteral("Init")), QVariant(QStringLiteral("")));
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("BAKER")) && !rs.update());
        expected.last()[1] = QStringLiteral("BAKER");
        QCOMPARE(test::readRows(path), expected);
    }
    // Another station changes or removes the record this set has just saved, or just updated,
    // before the set writes it again: the set compares with what it wrote, never with the row
    // as it stands now, so the other station's change is reported, not overwritten.
    void conflictsAfterOwnWrite_data()
    {
        QTest::addColumn<bool>("saved"); // a new record saved; otherwise an existing one updated
        QTest::addColumn<QString>("otherStation");
        QTest::addColumn<bool>("weDelete");
        const QString changed = R"(UPDATE "MT" SET "Rank" = 'ENG' WHERE "ID" = 'Z911')";
        const QString removed = R"(DELETE FROM "MT" WHERE "ID" = 'Z911')";
        for (const bool saved : {true, false}) {
            const char* write = saved ? "saved" : "updated";
            QTest::addRow("%s, changed by another, we update", write) << saved << changed << false;
            QTest::addRow("%s, changed by another, we delete", write) << saved << changed << true;
            QTest::addRow("%s, removed by another, we update", write) << saved << removed << false;
        }
    }
    void conflictsAfterOwnWrite()
    {
        QFETCH(bool, saved);
        QFETCH(QString, otherStation);
        QFETCH(bool, weDelete);
        const QString path = database({row({{"ID", "A100"}}), row({{"ID", saved ? "B200" : "Z911"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        if (saved) {
            QVERIFY(!rs.addNew());
            QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("Z911")));
        } else {
            QVERIFY(!rs.moveLast());
        }
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("MINE")) && !rs.update());
        QVERIFY(test::execute(path, otherStation));
        const QList<Row> theirs = test::readRows(path);

        if (weDelete) {
            QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
        } else {
            QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("ANN")));
            QCOMPARE(rs.update().number, qint32(RowConflict));
        }
        QCOMPARE(test::readRows(path), theirs);
        // The record still shows what this station wrote, not what it failed to write.
        rs.cancelUpdate();
        QCOMPARE(text(rs, "Last"), QStringLiteral("MINE"));
        QVERIFY(!rs.value(QStringLiteral("Rank")).isValid());
    }
    // Statements past the record sets: values of every kind there and back, and a transaction
    // that keeps all of its work or none, record sets on its connection included.
    void statementsAndTransactions()
    {
        const QString path = database({row({{"ID", "A100"}, {"Last", "MINE"}})});
        Connection connection;
        QVERIFY(!connection.open(test::connectionString(path)));
        const QString bytes = test::onServer() ? QStringLiteral("bytea") : QStringLiteral("BLOB");
        QVERIFY(!connection.execute(QStringLiteral(R"(CREATE TABLE "T" ("k" integer, "t" text, "b" %1))").arg(bytes)));
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte.append(char(b));
        const QString insert = QStringLiteral(R"(INSERT INTO "T" ("k", "t", "b") VALUES (?, ?, ?))");
        const QString text = QStringLiteral("O'Brien \u00e9\U0001F692 \\ ;--");
        QVERIFY(!connection.transaction([&] {
            if (StoreError e = connection.execute(insert, {1, text, everyByte}))
                return e;
            return connection.execute(insert, {2, QVariant(), QVariant(QMetaType::fromType<QByteArray>())});
        }));
        const QString all = QStringLiteral(R"(SELECT "k", "t", "b" FROM "T" ORDER BY "k")");
        QList<QVariantList> rows;
        QVERIFY(!connection.query(all, {}, rows));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][0], QVariant(QStringLiteral("1")));
        QCOMPARE(rows[0][1], QVariant(text));
        QCOMPARE(rows[0][2].toByteArray(), everyByte);
        QVERIFY(!rows[1][1].isValid() && !rows[1][2].isValid());

        // A statement that fails, or work that gives up, takes back what came before it.
        const StoreError failed = connection.transaction([&] {
            if (StoreError e = connection.execute(insert, {3, QStringLiteral("gone"), QVariant()}))
                return e;
            return connection.execute(QStringLiteral(R"(INSERT INTO "Missing" VALUES (1))"));
        });
        QVERIFY(failed);
        RecordSet rs;
        QVERIFY(!rs.open(AllById, connection));
        const StoreError givenUp = connection.transaction([&] {
            if (StoreError e = rs.setValue(QStringLiteral("Last"), QStringLiteral("LOST")); e || (e = rs.update()))
                return e;
            return StoreError::make(CommandFailed, QStringLiteral("the clerk's check refused it"));
        });
        QCOMPARE(givenUp.description, QStringLiteral("the clerk's check refused it"));
        QCOMPARE(test::readRows(path).at(0).at(1), QVariant(QStringLiteral("MINE")));
        rows.clear();
        QVERIFY(!connection.query(all, {}, rows));
        QCOMPARE(rows.size(), 2);
        qint64 changed = 0;
        QVERIFY(!connection.execute(QStringLiteral(R"(UPDATE "T" SET "t" = ?)"), {QStringLiteral("x")}, &changed));
        QCOMPARE(changed, qint64(2));

        // What the set remembered writing is forgotten once it reads the record again.
        QVERIFY(test::execute(path, R"(UPDATE "MT" SET "Last" = 'THEIRS')"));
        QVERIFY(!rs.refreshCurrent());
        QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("THEIRS"));
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("ANN")) && !rs.update());
        QCOMPARE(test::readRows(path).at(0).at(2), QVariant(QStringLiteral("ANN")));
    }
    void pagesThroughManyRows_data()
    {
        QTest::addColumn<Reading>("reading");
        QTest::newRow("on demand") << Reading::OnDemand;
        QTest::newRow("all at once") << Reading::AllAtOnce;
    }
    void pagesThroughManyRows()
    {
        QFETCH(Reading, reading);
        // Far more rows than the record set keeps in its page cache.
        QList<Row> rows;
        for (int i = 9999; i >= 0; --i)
            rows << row({{"ID", QStringLiteral("K%1").arg(i, 4, 10, QChar(u'0'))}, {"Last", QString::number(i)}});
        const QString path = database(rows);
        RecordSet rs;
        QVERIFY(!open(rs, path, AllById, {}, reading));
        QCOMPARE(rs.recordCount(), 10000);
        // Removed by another program after the keys were read, before a walk reading pages ahead
        // in batches reaches its row.
        QVERIFY(test::execute(path, QStringLiteral(R"(DELETE FROM "MT" WHERE "ID" = 'K5000')")));
        int seen = 0;
        for (; !rs.eof(); ++seen, rs.moveNext()) {
            if (seen == 5000)
                QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
            else
                QCOMPARE(text(rs, "Last"), QString::number(seen));
        }
        QCOMPARE(seen, 10000);
        QCOMPARE(rs.valueAt(200, 0).toString(), QStringLiteral("K0200"));

        // Writes far from the first page land on the right rows.
        QVERIFY(!rs.moveLast());
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("LAST")));
        QVERIFY(!rs.update());
        QVERIFY(!rs.addNew());
        QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("K10000")));
        QVERIFY(!rs.update());
        QCOMPARE(rs.value(0).toString(), QStringLiteral("K10000"));
        QCOMPARE(test::readRows(path).at(0).at(2).toString(), QStringLiteral("LAST"));
        QVERIFY(!rs.moveLast());
        QVERIFY(!rs.moveFirst());
        QCOMPARE(text(rs, "ID"), QStringLiteral("K0000"));
        QCOMPARE(rs.valueAt(9999, 2).toString(), QStringLiteral("LAST"));
    }

    void jetYearOfNowIsTranslatedOutsideStringLiteralsOnly_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("in a literal") << "Last = 'O''Year(Now)'" << QStringList{"A100"};
        QTest::newRow("as SQL") << "[Year] = Year(Now)" << QStringList{"B200"};
        QTest::newRow("spaced, lower case") << "[Year] = year( now() )" << QStringList{"B200"};
        QTest::newRow("both") << "Last = 'O''Year(Now)' OR [Year] = YEAR(NOW)" << QStringList{"A100", "B200"};
        // The year on the left compares as it does on the right, its operator turned round.
        QTest::newRow("year on the left") << "Year(Now) = [Year]" << QStringList{"B200"};
        QTest::newRow("later than the year") << "Year(Now) > [Year]" << QStringList{"A100"};
        QTest::newRow("not later than the year") << "Year(Now) <= [Year]" << QStringList{"B200"};
        QTest::newRow("not the year") << "Year(Now) <> [Year]" << QStringList{"A100"};
    }
    void jetYearOfNowIsTranslatedOutsideStringLiteralsOnly()
    {
        QFETCH(QString, condition);
        const QString path = database({row({{"ID", "A100"}, {"Last", "O'Year(Now)"}, {"Year", "1999"}}),
                                       row({{"ID", "B200"}, {"Last", "O'1999"}, {"Year", test::storeYear()}})});
        RecordSet rs;
        const StoreError error = open(rs, path, QStringLiteral("SELECT * FROM MT WHERE ") + condition);
        QVERIFY2(!error, qPrintable(error.description));
        QStringList found;
        for (; !rs.eof(); rs.moveNext())
            found << text(rs, "ID");
        found.sort();
        QTEST(found, "found");
    }
    // The windows' own texts read converted records as the old store did: texts compared and
    // sorted without regard to case, a year with blanks around it still this year's.
    void windowsQueriesReadRecordsAsTheOldStoreDid_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("parameters");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("start-up order") << mainsql::StartupQuery << QVariantList()
                                        << QStringList{"C010", "c010", "D1", "e-14", "E-9", "F6"};
        QTest::newRow("first rows") << "SELECT * FROM MT LIMIT 2" << QVariantList() << QStringList{"e-14", "E-9"};
        QTest::newRow("search") << mainsql::SearchById << QVariantList{"c010"} << QStringList{"C010", "c010"};
        QTest::newRow("search, no match") << mainsql::SearchById << QVariantList{"c01"} << QStringList();
        QTest::newRow("1 Unit") << querysql::forPosition(0) << QVariantList() << QStringList{"D1", "F6", "c010"};
        QTest::newRow("Special Assignment") << querysql::forPosition(4) << QVariantList() << QStringList{"e-14"};
    }
    void windowsQueriesReadRecordsAsTheOldStoreDid()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, parameters);
        const QString year = test::storeYear();
        const QString path = database({
            row({{"ID", "e-14"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "b"}, {"Special", "t"}, {"Year", "1999"}}),
            row({{"ID", "E-9"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "A"}, {"Year", u' ' + year}}),
            row({{"ID", "C010"}, {"Unit", "1"}, {"Batt", "2"}, {"Special", ""}, {"Year", year + u' '}}),
            row({{"ID", "c010"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "B"}, {"Year", year + u'x'}}),
            row({{"ID", "D1"}, {"Unit", "1"}}),
            row({{"ID", "F6"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "a"}, {"Year", "1999"}}),
        });
        RecordSet rs;
        const StoreError error = open(rs, path, sql, parameters);
        QVERIFY2(!error, qPrintable(error.description));
        QStringList found;
        for (; !rs.eof(); rs.moveNext())
            found << text(rs, "ID");
        QTEST(found, "found");
    }
    void newRecordIsWrittenAndReadByItsOwnKey_data()
    {
        QTest::addColumn<bool>("deleteLastThroughSet");
        QTest::addColumn<QString>("otherProgram"); // runs once the set is open
        QTest::newRow("last row deleted through the set") << true << QString();
        QTest::newRow("last row deleted by another program") << false << R"(DELETE FROM "MT" WHERE "ID" = 'C300')";
        QTest::newRow("every row deleted by another program") << false << R"(DELETE FROM "MT")";
        QTest::newRow("another program added a row") << false << R"(INSERT INTO "MT" ("ID") VALUES ('X900'))";
    }
    void newRecordIsWrittenAndReadByItsOwnKey()
    {
        QFETCH(bool, deleteLastThroughSet);
        QFETCH(QString, otherProgram);
        const QString path = database({row({{"ID", "A100"}}), row({{"ID", "B200"}}), row({{"ID", "C300"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QCOMPARE(text(rs, "ID"), QStringLiteral("A100"));
        // A new record given up leaves the set where it was.
        QVERIFY(!rs.addNew() && !rs.bof() && !rs.eof() && rs.value(0).isNull());
        QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("Z999")));
        rs.cancelUpdate();
        QCOMPARE(text(rs, "ID"), QStringLiteral("A100"));
        if (deleteLastThroughSet)
            QVERIFY(!rs.moveLast() && !rs.deleteCurrent());
        if (!otherProgram.isEmpty())
            QVERIFY(test::execute(path, otherProgram));
        const QList<Row> before = test::readRows(path);

        // A key freed by a deletion may be handed out again: the set must follow the new row.
        QVERIFY(!rs.addNew());
        for (const QString& name : masktest::fieldNames())
            QVERIFY(!rs.setValue(name, name == QLatin1String("ID") ? QStringLiteral("D400") : QString()));
        QVERIFY(!rs.update());
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("NEW")));
        QVERIFY(!rs.update());
        // Changes given up never reach the records.
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("DROPPED")));
        rs.cancelUpdate();
        QVERIFY(!rs.update());
        QCOMPARE(text(rs, "Last"), QStringLiteral("NEW"));
        Row added = row({{"ID", "D400"}, {"Last", "NEW"}});
        for (int f = 2; f < 14; ++f)
            added[f] = QStringLiteral(""); // empty text, never null
        QCOMPARE(test::readRows(path), before + QList<Row>{added});

        int seen = 0;
        QVERIFY(!rs.moveFirst());
        for (; !rs.eof(); rs.moveNext())
            seen += text(rs, "ID") == u"D400";
        QCOMPARE(seen, 1);
        QVERIFY(!rs.moveLast());
        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(test::readRows(path), before);
    }
    // Copying keeps every value exactly or refuses, naming the record and the field, and writes
    // nothing: a file's records into a new file, or into a server database without table MT.
    void copyKeepsEveryValueOrRefuses_data()
    {
        QTest::addColumn<QString>("change"); // made on the source file's second or third record
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("targetHoldsRecords");
        QTest::addColumn<QStringList>("refusal"); // what the refusal says; empty: copied
        const QString onSecond = QStringLiteral(R"(UPDATE "MT" SET "%1" = ? WHERE "ID" = 'A002')");
        QTest::newRow("plain") << QString() << QVariant() << false << QStringList();
        QTest::newRow("NUL") << onSecond.arg("Last") << QVariant(QStringLiteral("Ba\0d")) << false
                             << (test::onServer() ? QStringList{"Record 2 ", "\"A002\"", "Last", "NUL"}
                                                  : QStringList());
        QTest::newRow("not UTF-8") << onSecond.arg("First")
                                   << QVariant(QByteArray("Ba\xff"
                                                          "d"))
                                   << false << QStringList{"Record 2 ", "\"A002\"", "First", "UTF-8"};
        QTest::newRow("BLOB") << QStringLiteral(R"(UPDATE "MT" SET "Rank" = X'00FF' WHERE "ID" = 'A003')") << QVariant()
                              << false << QStringList{"Record 3 ", "\"A003\"", "Rank", "BLOB"};
        QTest::newRow("target holds records")
            << QString() << QVariant() << true << QStringList{"already holds records"};
    }
    void copyKeepsEveryValueOrRefuses()
    {
        QFETCH(QString, change);
        QFETCH(QVariant, value);
        QFETCH(bool, targetHoldsRecords);
        QFETCH(QStringList, refusal);
        const QString source = m_dir.filePath(QStringLiteral("source%1.mdb").arg(++m_files));
        QVERIFY(!masktest::createDatabase(RecordsLocation::file(source)));
        for (const char* id : {"A001", "A002", "A003"})
            QVERIFY(test::execute(source, QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last") VALUES (?, 'Baker'))"),
                                  {QString::fromLatin1(id)}));
        // The not-UTF-8 text goes in as bytes cast to text, as another program could write it.
        if (value.typeId() == QMetaType::QByteArray)
            change.replace(u'?', QStringLiteral("CAST(? AS TEXT)"));
        if (!change.isEmpty())
            QVERIFY(test::execute(source, change, value.isValid() ? QVariantList{value} : QVariantList{}));
        const QString target = targetHoldsRecords ? database({row({{"ID", "K001"}})}) : emptyLocation();
        const QList<Row> before = targetHoldsRecords ? test::readRows(target) : QList<Row>();

        qsizetype copied = -1;
        const StoreError error
            = masktest::copyRecords(RecordsLocation::file(source), RecordsLocation::fromText(target), &copied);
        for (const QString& said : std::as_const(refusal))
            QVERIFY2(error.description.contains(said), qPrintable(error.description));
        if (refusal.isEmpty()) {
            QVERIFY2(!error, qPrintable(error.description));
            QCOMPARE(copied, 3);
            QCOMPARE(test::readRows(target), test::readRows(source));
        } else if (targetHoldsRecords) {
            QCOMPARE(test::readRows(target), before);
        } else if (test::onServer()) {
            Connection check;
            QVERIFY(!check.open(test::connectionString(target)));
            QCOMPARE(masktest::verifySchema(check).number, qint32(TableNotFound)); // not even the table is left
        } else {
            QVERIFY(!QFile::exists(target));
        }
    }
    // A failure names the records and its cause, never the statement behind it: the windows
    // show it to clerks, and a command prints it.
    void failuresNameTheRecordsNeverTheStatement_data()
    {
        QTest::addColumn<bool>("list"); // a record set; otherwise a value of the store's own
        QTest::newRow("a set whose condition cannot be run") << true;
        QTest::newRow("a value from a table that is gone") << false;
    }
    void failuresNameTheRecordsNeverTheStatement()
    {
        QFETCH(bool, list);
        const QString path = database({row({{"ID", "A100"}})});
        StoreError error;
        if (list) {
            RecordSet rs;
            error = open(rs, path, QStringLiteral("SELECT * FROM MT WHERE NoSuchFunction(ID) = 1"));
        } else {
            Connection connection;
            QVERIFY(!connection.open(test::connectionString(path)));
            QVariant value;
            error = connection.readValue(QStringLiteral("SELECT Count(*) FROM Gone"), {}, value);
        }
        QVERIFY(error);
        QVERIFY2(error.description.contains(RecordsLocation::fromText(path).displayName()),
                 qPrintable(error.description));
        for (const char* never : {"SELECT", "FROM", "WHERE"})
            QVERIFY2(!error.description.contains(QLatin1String(never)), qPrintable(error.description));
    }
    void sampleMembersArePlausible()
    {
        const QString path = emptyLocation();
        QVERIFY(!masktest::createDatabase(RecordsLocation::fromText(path), 2000));
        const QString year = test::storeYear();
        const QRegularExpression plausible(
            QStringLiteral("^\\|[A-Z][0-9]{3}\\|[^|]+\\|[^|]+\\|[^|]*\\|[^|]*\\|[^|]*\\|([0-7])\\|([0-3])\\|"));
        QSet<QString> ids;
        int testedThisYear = 0, neverTested = 0, special = 0;
        for (const test::Row& r : test::readRows(path)) {
            QString line;
            for (const QVariant& x : r)
                line += u'|' + x.toString();
            const auto m = plausible.match(line);
            QVERIFY2(m.hasMatch() && (m.captured(1) == u"0") == (m.captured(2) == u"0")
                         && (r.at(12).toString() == u"T") == !r.at(13).toString().isEmpty()
                         && (r.at(11).toString().isEmpty() || r.at(11).toString().toInt() > year.toInt() - 7),
                     qPrintable(line));
            ids << r.at(0).toString();
            testedThisYear += r.at(11).toString() == year;
            neverTested += r.at(11).toString().isEmpty();
            special += r.at(12).toString() == u"T";
        }
        // A mix worth trying the queries on: most tested, some not, some special, some shared IDs.
        QVERIFY(testedThisYear > 600 && testedThisYear < 1600);
        QVERIFY(neverTested > 0 && special > 0 && ids.size() < 2000);
    }
};

// Runs the tests of every engine, then those of the engine under test alone.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    tst_Store common;
    int status = QTest::qExec(&common, argc, argv);
    if (test::onServer()) {
        status |= runServerTests(argc, argv);
        status |= runWaitTests(argc, argv);
    } else {
        tst_StoreFile file;
        status |= QTest::qExec(&file, argc, argv);
    }
    return status;
}

#include "tst_store.moc"
