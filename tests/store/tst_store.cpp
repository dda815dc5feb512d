#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <recordset.h>
#include <sqlitetesthook.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace vantor;
using vantor::test::row;
using vantor::test::Row;

namespace {
const QString AllById = QStringLiteral("SELECT * FROM MT ORDER BY ID ASC");

StoreError open(RecordSet& rs, const QString& path, const QString& sql = AllById, const QVariantList& params = {},
                Reading reading = Reading::OnDemand)
{
    return rs.open(sql, jetConnectionString(path), params, reading);
}
QString text(const RecordSet& rs, const char* field)
{
    return rs.value(QString::fromLatin1(field)).toString();
}
} // namespace

class tst_Store : public QObject
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
    void refusesFilesThatAreNoRecordsFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // "missing": no file at all
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << QByteArray("missing") << int(FileNotFound);
        QTest::newRow("text file") << QByteArray("Name,FDID\nSMITH,A123\n") << int(NotADatabase);
        QTest::newRow("access file") << QByteArray("\0\1\0\0Standard Jet DB\0\0\0\0\0\0\0\0\0\0\0\0\0", 32)
                                     << int(AccessFormatFile);
        QTest::newRow("empty file") << QByteArray() << int(TableNotFound);
        QTest::newRow("damaged") << QByteArray("SQLite format 3\0\x10\0\1\1\0@  ", 24).leftJustified(4096, '\xff')
                                 << int(CorruptDatabase);
    }
    void refusesFilesThatAreNoRecordsFile()
    {
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
        const bool missing = content == "missing";
        if (!missing) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        RecordSet rs;
        const StoreError error = open(rs, path);
        QTEST(int(error.number), "number");
        QVERIFY(!error.description.isEmpty() && !rs.isOpen());
        QCOMPARE(QFile::exists(path), !missing); // never created
        if (!missing)
            QCOMPARE(test::fileBytes(path), content);
    }
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
    void addNewCancelUpdateAndUpdate()
    {
        const QString path = database({row({{"ID", "B200"}}), row({{"ID", "C300"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QVERIFY(!rs.moveNext());
        QVERIFY(!rs.addNew());
        QVERIFY(!rs.bof() && !rs.eof() && rs.value(0).isNull());
        QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("Z999")));
        rs.cancelUpdate();
        QCOMPARE(rs.value(0).toString(), QStringLiteral("C300")); // back where it was

        QVERIFY(!rs.addNew());
        for (const QString& name : masktest::fieldNames())
            QVERIFY(!rs.setValue(name, name == QLatin1String("ID") ? QStringLiteral("A001") : QString()));
        QVERIFY(!rs.update());
        QCOMPARE(text(rs, "ID"), QStringLiteral("A001")); // the new record is current
        Row saved = row({{"ID", "A001"}});
        for (int f = 1; f < 14; ++f)
            saved[f] = QStringLiteral(""); // empty text, never null

        // Changes dropped by CancelUpdate never reach the file.
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("DROPPED")));
        rs.cancelUpdate();
        QCOMPARE(text(rs, "Last"), QString());
        QVERIFY(!rs.update());
        QCOMPARE(test::readRows(path), QList<Row>({row({{"ID", "B200"}}), row({{"ID", "C300"}}), saved}));
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
        QTest::newRow("row changed") << "UPDATE MT SET Last = 'THEIRS' WHERE ID = 'A100'";
        QTest::newRow("null became empty") << "UPDATE MT SET Init = '' WHERE ID = 'A100'";
        QTest::newRow("row removed") << "DELETE FROM MT WHERE ID = 'A100'";
    }
    void conflictsChangeNothing()
    {
        QFETCH(QString, otherProgram);
        const QString path = database({row({{"ID", "A100"}, {"Last", "MINE"}}), row({{"ID", "B200"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QCOMPARE(text(rs, "Last"), QStringLiteral("MINE")); // read before the other program's change
        QVERIFY(test::execute(path, otherProgram));
        const QList<Row> before = test::readRows(path);
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("X")));
        QCOMPARE(rs.update().number, qint32(RowConflict));
        rs.cancelUpdate();
        QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
        QCOMPARE(test::readRows(path), before);
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
        int seen = 0;
        for (; !rs.eof(); ++seen, rs.moveNext())
            QCOMPARE(text(rs, "Last"), QString::number(seen));
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

    void setReadAllAtOnceLeavesTheFileFreeAndDetectsChangesMadeMeanwhile()
    {
        const QString path = database(
            {row({{"ID", "A100"}, {"Last", "ADAMS"}}), row({{"ID", "B200"}, {"Last", "BAKER"}, {"Init", ""}})});
        RecordSet rs;
        QVERIFY(!open(rs, path, AllById, {}, Reading::AllAtOnce));
        // Nothing of the file stays locked once the set has read it: another program writes at once.
        QVERIFY(test::execute(path, QStringLiteral("UPDATE MT SET Last = 'ABLE' WHERE ID = 'A100'")));
        QCOMPARE(text(rs, "Last"), QStringLiteral("ADAMS"));
        QVERIFY(!rs.value(QStringLiteral("Init")).isValid());
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("AL")));
        QCOMPARE(rs.update().number, qint32(RowConflict));
        rs.cancelUpdate();
        QVERIFY(!rs.moveNext());
        QCOMPARE(rs.value(QStringLiteral("Init")), QVariant(QStringLiteral("")));
        QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("BO")));
        QVERIFY(!rs.update());
        QCOMPARE(text(rs, "First"), QStringLiteral("BO"));
        QCOMPARE(test::readRows(path).at(1).at(2).toString(), QStringLiteral("BO"));
    }

    void walkReadsAheadAndStillSeesRowsRemovedMeanwhile()
    {
        QList<Row> rows;
        for (int i = 0; i < 300; ++i)
            rows << row({{"ID", QStringLiteral("W%1").arg(i, 3, 10, QChar(u'0'))}});
        const QString path = database(rows);
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QCOMPARE(rs.value(0).toString(), QStringLiteral("W000"));
        // Removed by another program after the keys were read, before its row is: the walk
        // below reads it within a batch of several pages.
        QVERIFY(test::execute(path, QStringLiteral("DELETE FROM MT WHERE ID = 'W150'")));
        for (int i = 0; i < 300; ++i, rs.moveNext()) {
            if (i == 150) {
                QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
                continue;
            }
            QCOMPARE(rs.value(0).toString(), QStringLiteral("W%1").arg(i, 3, 10, QChar(u'0')));
        }
        QVERIFY(rs.eof());
    }

    void jetYearOfNowIsTranslatedOutsideStringLiteralsOnly_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("in a literal") << "Last = 'O''Year(Now)'" << QStringList{"A100"};
        QTest::newRow("as SQL") << "[Year] = Year(Now)" << QStringList{"B200"};
        QTest::newRow("spaced, lower case") << "[Year] = year( now() )" << QStringList{"B200"};
        QTest::newRow("both") << "Last = 'O''Year(Now)' OR [Year] = YEAR(NOW)" << QStringList{"A100", "B200"};
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
    void newRecordIsWrittenAndReadByItsOwnKey_data()
    {
        QTest::addColumn<bool>("deleteLastThroughSet");
        QTest::addColumn<QString>("otherProgram"); // runs once the set is open
        QTest::newRow("last row deleted through the set") << true << QString();
        QTest::newRow("last row deleted by another program") << false << "DELETE FROM MT WHERE ID = 'C300'";
        QTest::newRow("every row deleted by another program") << false << "DELETE FROM MT";
        QTest::newRow("another program added a row") << false << "INSERT INTO MT (ID) VALUES ('X900')";
    }
    void newRecordIsWrittenAndReadByItsOwnKey()
    {
        QFETCH(bool, deleteLastThroughSet);
        QFETCH(QString, otherProgram);
        const QString path = database({row({{"ID", "A100"}}), row({{"ID", "B200"}}), row({{"ID", "C300"}})});
        RecordSet rs;
        QVERIFY(!open(rs, path));
        QCOMPARE(text(rs, "ID"), QStringLiteral("A100"));
        if (deleteLastThroughSet)
            QVERIFY(!rs.moveLast() && !rs.deleteCurrent());
        if (!otherProgram.isEmpty())
            QVERIFY(test::execute(path, otherProgram));
        const QList<Row> before = test::readRows(path);

        // A key freed by a deletion may be handed out again: the set must follow the new row.
        QVERIFY(!rs.addNew());
        QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("D400")));
        QVERIFY(!rs.update());
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("NEW")));
        QVERIFY(!rs.update());
        QCOMPARE(text(rs, "Last"), QStringLiteral("NEW"));
        QCOMPARE(test::readRows(path), before + QList<Row>{row({{"ID", "D400"}, {"Last", "NEW"}})});

        int seen = 0;
        QVERIFY(!rs.moveFirst());
        for (; !rs.eof(); rs.moveNext())
            seen += text(rs, "ID") == u"D400";
        QCOMPARE(seen, 1);
        QVERIFY(!rs.moveLast());
        QVERIFY(!rs.deleteCurrent());
        QCOMPARE(test::readRows(path), before);
    }
    void creatingTouchesNothingItDidNotMake_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("existing"); // empty: no file before
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<int>("number");
        QTest::newRow("file there") << "precious.mdb" << QByteArray("someone's records") << false << int(FileExists);
        QTest::newRow("no such folder") << "no/such/folder.mdb" << QByteArray() << false << int(AccessDenied);
        QTest::newRow("disk full") << "full.mdb" << QByteArray() << true << int(DiskFull);
    }
    void creatingTouchesNothingItDidNotMake()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, existing);
        QFETCH(bool, fullDisk);
        const QString path = m_dir.filePath(name);
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(existing) == existing.size());
        }
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        std::optional<testhooks::ScopedSqliteConnectionHook> hook;
        if (fullDisk)
            hook.emplace([](QSqlDatabase& db) { QSqlQuery(db).exec(QStringLiteral("PRAGMA max_page_count=1")); });

        const StoreError error = masktest::createDatabase(RecordsLocation::file(path), 5);
        QTEST(int(error.number), "number");
        QVERIFY2(error.description.contains(path), qPrintable(error.description));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        QCOMPARE(test::fileBytes(path), existing);
    }
    void createDatabaseMakesAnEmptyTable()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.mdb"));
        QVERIFY(!masktest::createDatabase(RecordsLocation::file(path)));
        Connection connection; // the file the program would open passes its own schema check
        QVERIFY(!connection.open(jetConnectionString(path)));
        QVERIFY(!masktest::verifySchema(connection));
        QVERIFY(test::readRows(path).isEmpty());
    }
    void sampleMembersArePlausible()
    {
        const QString path = m_dir.filePath(QStringLiteral("sample.mdb"));
        QVERIFY(!masktest::createDatabase(RecordsLocation::file(path), 2000));
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

private:
    QString database(const QList<Row>& rows)
    {
        return test::createDatabase(m_dir.path(), rows, QString::number(++m_files) + QStringLiteral(".mdb"));
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
