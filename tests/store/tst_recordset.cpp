#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <recordset.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using vantor::test::row;

class tst_RecordSet : public QObject
{
    Q_OBJECT

private slots:
    void parsesConnectionStrings_data();
    void parsesConnectionStrings();
    void opensAFileWhosePathNeedsQuoting();
    void refusesFilesThatAreNoRecordsFile_data();
    void refusesFilesThatAreNoRecordsFile();
    void emptySetIsAtBofAndEof();
    void readsFieldsByNameAndPositionInIdOrder();
    void addNewCancelUpdateAndUpdate();
    void updateAndDeleteTouchOnlyTheCurrentRowAmongDuplicateIds();
    void conflictsChangeNothing_data();
    void conflictsChangeNothing();
    void quoteInBoundSearchIsJustACharacter();
    void pagesThroughManyRows();

private:
    QTemporaryDir m_dir;
};

namespace {
const QString AllById = QStringLiteral("SELECT * FROM MT ORDER BY ID ASC");

QString openAll(RecordSet& rs, const QString& path, const QString& sql = AllById)
{
    return rs.open(sql, jetConnectionString(path), CursorType::Dynamic, LockType::Optimistic).description;
}
} // namespace

void tst_RecordSet::parsesConnectionStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("dataSource");
    QTest::newRow("jet") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/srv/fd/MaskTest.mdb;Persist Security Info=False"
                         << "Microsoft.Jet.OLEDB.4.0" << "/srv/fd/MaskTest.mdb";
    QTest::newRow("case and blanks") << " provider = SQLite ; DATA SOURCE = /a b/x.mdb " << "SQLite" << "/a b/x.mdb";
    QTest::newRow("quoted with semicolon") << "Data Source=\"/x;y/M.mdb\";Provider=SQLite" << "SQLite" << "/x;y/M.mdb";
    QTest::newRow("doubled quote") << "Data Source=\"/a\"\"b.mdb\"" << "" << "/a\"b.mdb";
    QTest::newRow("equals in value") << "Data Source=/a=b/M.mdb" << "" << "/a=b/M.mdb";
}

void tst_RecordSet::parsesConnectionStrings()
{
    QFETCH(QString, text);
    QFETCH(QString, provider);
    QFETCH(QString, dataSource);
    const ConnectionString cs = ConnectionString::parse(text);
    QCOMPARE(cs.provider(), provider);
    QCOMPARE(cs.dataSource(), dataSource);
}

void tst_RecordSet::opensAFileWhosePathNeedsQuoting()
{
    // A program folder may hold blanks, '#' or ';'; the connection string must still name it.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Fire Dept #2;A")));
    const QString path = test::createDatabase(m_dir.filePath(QStringLiteral("Fire Dept #2;A")),
                                              {row({{"ID", "A100"}})});
    QCOMPARE(ConnectionString::parse(jetConnectionString(path)).dataSource(), path);
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QCOMPARE(rs.value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
}

void tst_RecordSet::refusesFilesThatAreNoRecordsFile_data()
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

void tst_RecordSet::refusesFilesThatAreNoRecordsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, number);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
    if (content != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    RecordSet rs;
    const StoreError error = rs.open(AllById, jetConnectionString(path), CursorType::Dynamic, LockType::Optimistic);
    QCOMPARE(error.number, number);
    QVERIFY(!error.description.isEmpty());
    QVERIFY(!rs.isOpen());
    QCOMPARE(QFile::exists(path), content != "missing"); // never created
    if (content != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
}

void tst_RecordSet::emptySetIsAtBofAndEof()
{
    const QString path = test::createDatabase(m_dir.path(), {}, QStringLiteral("empty.mdb"));
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QVERIFY(rs.bof() && rs.eof());
    QCOMPARE(rs.recordCount(), 0);
    QCOMPARE(rs.moveNext().number, qint32(NoCurrentRecord));
    StoreError error;
    rs.value(QStringLiteral("ID"), &error);
    QCOMPARE(error.number, qint32(NoCurrentRecord));
    QCOMPARE(rs.deleteCurrent().number, qint32(NoCurrentRecord));
}

void tst_RecordSet::readsFieldsByNameAndPositionInIdOrder()
{
    const QString path = test::createDatabase(m_dir.path(), {
        row({{"ID", "C300"}, {"Last", "CLARK"}}),
        row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Init", ""}, {"AssignTo", " HQ "}}),
        row({{"ID", "B200"}, {"Last", "BROWN"}}),
    }, QStringLiteral("three.mdb"));
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QCOMPARE(rs.fieldNames(), masktest::fieldNames());
    QVERIFY(!rs.bof() && !rs.eof());
    QCOMPARE(rs.value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
    QCOMPARE(rs.value(1).toString(), QStringLiteral("ALLEN"));
    QCOMPARE(rs.value(QStringLiteral("AssignTo")).toString(), QStringLiteral(" HQ ")); // never trimmed
    QVERIFY(!rs.value(QStringLiteral("Init")).isNull()); // empty text is not null...
    QCOMPARE(rs.value(QStringLiteral("Init")).toString(), QStringLiteral(""));
    QVERIFY(rs.value(QStringLiteral("Special")).isNull()); // ...and null reads as null
    StoreError error;
    rs.value(QStringLiteral("Nope"), &error);
    QCOMPARE(error.number, qint32(FieldNotFound));

    QVERIFY(!rs.moveLast());
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C300"));
    QVERIFY(!rs.moveNext());
    QVERIFY(rs.eof() && !rs.bof());
    QCOMPARE(rs.moveNext().number, qint32(NoCurrentRecord));
    rs.value(0, &error);
    QCOMPARE(error.number, qint32(NoCurrentRecord));
}

void tst_RecordSet::addNewCancelUpdateAndUpdate()
{
    const QString path = test::createDatabase(m_dir.path(), {row({{"ID", "B200"}}), row({{"ID", "C300"}})},
                                              QStringLiteral("add.mdb"));
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QVERIFY(!rs.moveNext());
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C300"));

    QVERIFY(!rs.addNew());
    QVERIFY(!rs.bof() && !rs.eof());
    QVERIFY(rs.value(0).isNull());
    QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("Z999")));
    rs.cancelUpdate();
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C300")); // back where it was
    QCOMPARE(test::readRows(path).size(), 2);

    QVERIFY(!rs.addNew());
    const QStringList fields = masktest::fieldNames();
    for (const QString& name : fields)
        QVERIFY(!rs.setValue(name, name == QLatin1String("ID") ? QStringLiteral("A001") : QString()));
    QCOMPARE(rs.update().description, QString());
    QCOMPARE(rs.value(QStringLiteral("ID")).toString(), QStringLiteral("A001")); // the new record is current
    QCOMPARE(rs.recordCount(), 3);
    const QList<test::Row> rows = test::readRows(path);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(2).at(0).toString(), QStringLiteral("A001"));
    for (int f = 1; f < 14; ++f)
        QVERIFY2(!rows.at(2).at(f).isNull() && rows.at(2).at(f).toString().isEmpty(), qPrintable(fields.at(f)));

    // Changes dropped by CancelUpdate never reach the file.
    QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("DROPPED")));
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("DROPPED"));
    rs.cancelUpdate();
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QString());
    QVERIFY(!rs.update());
    QCOMPARE(test::readRows(path).at(2).at(1).toString(), QString());
}

void tst_RecordSet::updateAndDeleteTouchOnlyTheCurrentRowAmongDuplicateIds()
{
    const QString path = test::createDatabase(m_dir.path(), {
        row({{"ID", "A100"}, {"Last", "FIRST"}}),
        row({{"ID", "A100"}, {"Last", "SECOND"}}),
        row({{"ID", "A100"}, {"Last", "THIRD"}}),
    }, QStringLiteral("dup.mdb"));
    RecordSet rs;
    QVERIFY(!rs.open(QStringLiteral("SELECT * FROM MT WHERE ID = ? ORDER BY Last DESC"), jetConnectionString(path),
                     CursorType::Static, LockType::Optimistic, {QStringLiteral("A100")}));
    QCOMPARE(rs.recordCount(), 3);
    QVERIFY(!rs.moveNext());
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("SECOND"));
    QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral(" CHANGED ")));
    QVERIFY(!rs.setValue(QStringLiteral("Init"), QString()));
    QVERIFY(!rs.update());

    QList<test::Row> rows = test::readRows(path);
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("FIRST"));
    QCOMPARE(rows.at(1).at(1).toString(), QStringLiteral(" CHANGED "));
    QCOMPARE(rows.at(2).at(1).toString(), QStringLiteral("THIRD"));
    QVERIFY(!rows.at(1).at(3).isNull()); // an empty box is stored as "", never null
    QVERIFY(rows.at(0).at(3).isNull());

    QVERIFY(!rs.deleteCurrent());
    rows = test::readRows(path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("FIRST"));
    QCOMPARE(rows.at(1).at(1).toString(), QStringLiteral("THIRD"));
    // The position stays on the deleted row until the next move.
    QVERIFY(!rs.bof() && !rs.eof());
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.deleteCurrent().number, qint32(NoCurrentRecord));
    QVERIFY(!rs.moveNext());
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("FIRST"));
    QVERIFY(!rs.deleteCurrent());
    QVERIFY(!rs.moveNext());
    QVERIFY(rs.eof());
    QVERIFY(!rs.moveLast()); // skips both deleted rows
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("THIRD"));
    QVERIFY(!rs.deleteCurrent());
    QVERIFY(rs.bof() && rs.eof()); // nothing left
    QVERIFY(test::readRows(path).isEmpty());
}

void tst_RecordSet::conflictsChangeNothing_data()
{
    QTest::addColumn<QString>("otherProgram");
    QTest::newRow("row changed") << "UPDATE MT SET Last = 'THEIRS' WHERE ID = 'A100'";
    QTest::newRow("null became empty") << "UPDATE MT SET Init = '' WHERE ID = 'A100'";
    QTest::newRow("row removed") << "DELETE FROM MT WHERE ID = 'A100'";
}

void tst_RecordSet::conflictsChangeNothing()
{
    QFETCH(QString, otherProgram);
    const QString path = test::createDatabase(m_dir.path(), {row({{"ID", "A100"}, {"Last", "MINE"}}),
                                                             row({{"ID", "B200"}, {"Last", "OTHER"}})},
                                              QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("MINE"));
    QVERIFY(test::execute(path, otherProgram));
    const QList<test::Row> before = test::readRows(path);

    QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("X")));
    const StoreError updateError = rs.update();
    QCOMPARE(updateError.number, qint32(RowConflict));
    QVERIFY(!updateError.description.isEmpty());
    rs.cancelUpdate();
    QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
    QCOMPARE(test::readRows(path), before);
}

void tst_RecordSet::quoteInBoundSearchIsJustACharacter()
{
    const QString path = test::createDatabase(m_dir.path(), {row({{"ID", "O'1"}, {"Last", "O'BRIEN"}}),
                                                             row({{"ID", "A100"}, {"Last", "ALLEN"}})},
                                              QStringLiteral("quote.mdb"));
    const QString search = QStringLiteral("SELECT * FROM MT WHERE ID = ?");
    RecordSet rs;
    QVERIFY(!rs.open(search, jetConnectionString(path), CursorType::Static, LockType::Optimistic,
                     {QStringLiteral("O'1")}));
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("O'BRIEN"));
    QVERIFY(!rs.open(search, jetConnectionString(path), CursorType::Static, LockType::Optimistic,
                     {QStringLiteral("x' OR '1'='1")}));
    QVERIFY(rs.bof() && rs.eof());
}

void tst_RecordSet::pagesThroughManyRows()
{
    // Far more rows than the record set keeps in its page cache.
    QList<test::Row> rows;
    for (int i = 9999; i >= 0; --i)
        rows << row({{"ID", QStringLiteral("K%1").arg(i, 4, 10, QChar(u'0'))}, {"Last", QString::number(i)}});
    const QString path = test::createDatabase(m_dir.path(), rows, QStringLiteral("many.mdb"));
    RecordSet rs;
    QCOMPARE(openAll(rs, path), QString());
    QCOMPARE(rs.recordCount(), 10000);
    QVERIFY(!rs.moveLast());
    QCOMPARE(rs.value(0).toString(), QStringLiteral("K9999"));
    QVERIFY(!rs.moveFirst());
    int seen = 0;
    for (; !rs.eof(); ++seen) {
        QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QString::number(seen));
        QVERIFY(!rs.moveNext());
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
}

QTEST_GUILESS_MAIN(tst_RecordSet)
#include "tst_recordset.moc"
