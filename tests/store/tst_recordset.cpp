#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <recordset.h>

#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using vantor::test::row;

class tst_RecordSet : public QObject
{
    Q_OBJECT

private slots:
    void opensInIdOrderAndReadsNullsAsNull();
    void updateAndDeleteTouchOnlyTheCurrentRowAmongDuplicateIds();
    void conflictingUpdateChangesNothing();
};

namespace {
QString connectTo(const QString& path)
{
    return jetConnectionString(path);
}
} // namespace

void tst_RecordSet::opensInIdOrderAndReadsNullsAsNull()
{
    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), {
        row({{"ID", "C300"}, {"Last", "CLARK"}}),
        row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Init", ""}}),
        row({{"ID", "B200"}, {"Last", "BROWN"}}),
    });
    RecordSet rs;
    rs.setCursorLocation(CursorLocation::Client);
    const StoreError error = rs.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), connectTo(path),
                                     CursorType::Dynamic, LockType::Optimistic);
    QVERIFY2(!error, qPrintable(error.description));
    QCOMPARE(rs.fieldNames(), masktest::fieldNames());
    QVERIFY(!rs.bof() && !rs.eof());
    QCOMPARE(rs.value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
    QVERIFY(!rs.value(QStringLiteral("Init")).isNull());
    QCOMPARE(rs.value(QStringLiteral("Init")).toString(), QString());
    QVERIFY(rs.value(QStringLiteral("Special")).isNull());
    QVERIFY(!rs.moveNext());
    QVERIFY(!rs.moveNext());
    QCOMPARE(rs.value(0).toString(), QStringLiteral("C300"));
    QVERIFY(!rs.moveNext());
    QVERIFY(rs.eof());
    StoreError readError;
    rs.value(0, &readError);
    QCOMPARE(readError.number, qint32(NoCurrentRecord));
}

void tst_RecordSet::updateAndDeleteTouchOnlyTheCurrentRowAmongDuplicateIds()
{
    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), {
        row({{"ID", "A100"}, {"Last", "FIRST"}}),
        row({{"ID", "A100"}, {"Last", "SECOND"}}),
    });
    RecordSet rs;
    QVERIFY(!rs.open(QStringLiteral("SELECT * FROM MT WHERE ID = ?"), connectTo(path), CursorType::Static,
                     LockType::Optimistic, {QStringLiteral("A100")}));
    QCOMPARE(rs.recordCount(), 2);
    QVERIFY(!rs.moveNext());
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("SECOND"));
    QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral(" CHANGED ")));
    QVERIFY(!rs.setValue(QStringLiteral("Init"), QString()));
    QVERIFY(!rs.update());

    QList<test::Row> rows = test::readRows(path);
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("FIRST"));
    QCOMPARE(rows.at(1).at(1).toString(), QStringLiteral(" CHANGED "));
    QVERIFY(!rows.at(1).at(3).isNull()); // an empty box is stored as "", never null
    QVERIFY(rows.at(0).at(3).isNull());

    QVERIFY(!rs.deleteCurrent());
    rows = test::readRows(path);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("FIRST"));
}

void tst_RecordSet::conflictingUpdateChangesNothing()
{
    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), {row({{"ID", "A100"}, {"Last", "MINE"}})});
    RecordSet rs;
    QVERIFY(!rs.open(QStringLiteral("SELECT * FROM MT"), connectTo(path), CursorType::Dynamic, LockType::Optimistic));
    QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("MINE"));
    QVERIFY(test::execute(path, QStringLiteral("UPDATE MT SET Last = 'THEIRS'")));

    QVERIFY(!rs.setValue(QStringLiteral("First"), QStringLiteral("X")));
    const StoreError error = rs.update();
    QCOMPARE(error.number, qint32(RowConflict));
    QCOMPARE(test::readRows(path).at(0).at(1).toString(), QStringLiteral("THEIRS"));
    QVERIFY(test::readRows(path).at(0).at(2).isNull());
    QCOMPARE(rs.deleteCurrent().number, qint32(RowConflict));
    QCOMPARE(test::readRows(path).size(), 1);
}

QTEST_GUILESS_MAIN(tst_RecordSet)
#include "tst_recordset.moc"
