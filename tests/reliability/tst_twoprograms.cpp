// Two programs on one records file: no lost update, and a lock answered by a clear "busy".
#include "testdatabase.h"

#include <connectionstring.h>
#include <recordset.h>
#include <sqliteengine.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using vantor::test::row;

class tst_TwoPrograms : public QObject
{
    Q_OBJECT

private slots:
    void changeMeanwhileIsAConflict_data();
    void changeMeanwhileIsAConflict();
    void writeWaitsForALockThenReportsBusy_data();
    void writeWaitsForALockThenReportsBusy();
};

namespace {

const QList<test::Row> ThreeMembers = {
    row({{"ID", "A100"}, {"Last", "ALLEN"}}),
    row({{"ID", "B200"}, {"Last", "BROWN"}}),
    row({{"ID", "C300"}, {"Last", "CLARK"}}),
};

// The records window's record set, standing on B200.
bool openOnB200(RecordSet& rs, const QString& path)
{
    rs.setCursorLocation(CursorLocation::Client);
    if (rs.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), jetConnectionString(path), CursorType::Dynamic,
                LockType::Optimistic)
        || rs.moveNext())
        return false;
    return rs.value(QStringLiteral("ID")).toString() == QLatin1String("B200");
}

StoreError changeLast(RecordSet& rs, const QString& last)
{
    if (StoreError error = rs.setValue(QStringLiteral("Last"), last))
        return error;
    return rs.update();
}

// The other program, in a process of its own, holding a write lock.
bool startHolding(QProcess& other, const QString& path, const QString& mode, int ms)
{
    other.start(QStringLiteral(OTHERPROGRAM), {QStringLiteral("hold"), path, mode, QString::number(ms)});
    QByteArray output;
    while (!output.contains("locked\n") && other.waitForReadyRead(10000))
        output += other.readAllStandardOutput();
    return output.contains("locked\n");
}

} // namespace

void tst_TwoPrograms::changeMeanwhileIsAConflict_data()
{
    QTest::addColumn<QString>("otherSql");   // what the other program does meanwhile
    QTest::addColumn<bool>("ourDelete");     // we delete rather than update
    QTest::addColumn<bool>("updatedBefore"); // we had updated the record once already
    QTest::addColumn<bool>("conflict");

    const QString otherUpdatesB = QStringLiteral("UPDATE MT SET Rank = 'CAPT' WHERE ID = 'B200'");
    const QString otherDeletesB = QStringLiteral("DELETE FROM MT WHERE ID = 'B200'");
    const QString otherUpdatesC = QStringLiteral("UPDATE MT SET Last = 'CARTER' WHERE ID = 'C300'");
    QTest::newRow("other updated, we update") << otherUpdatesB << false << false << true;
    QTest::newRow("other updated, we update a second time") << otherUpdatesB << false << true << true;
    QTest::newRow("other updated, we delete") << otherUpdatesB << true << false << true;
    QTest::newRow("other updated, we delete after an update") << otherUpdatesB << true << true << true;
    QTest::newRow("other deleted, we update") << otherDeletesB << false << false << true;
    QTest::newRow("other deleted, we delete") << otherDeletesB << true << false << true;
    QTest::newRow("other changed another record") << otherUpdatesC << false << true << false;
    QTest::newRow("other changed another record, we delete") << otherUpdatesC << true << false << false;
}

void tst_TwoPrograms::changeMeanwhileIsAConflict()
{
    QFETCH(QString, otherSql);
    QFETCH(bool, ourDelete);
    QFETCH(bool, updatedBefore);
    QFETCH(bool, conflict);

    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), ThreeMembers);
    RecordSet rs;
    QVERIFY(openOnB200(rs, path));
    if (updatedBefore)
        QVERIFY(!changeLast(rs, QStringLiteral("BROWNE")));
    QVERIFY(test::execute(path, otherSql));
    const QList<test::Row> afterOther = test::readRows(path);

    const StoreError error = ourDelete ? rs.deleteCurrent() : changeLast(rs, QStringLiteral("BRAUN"));
    if (!conflict) {
        QVERIFY2(!error, qPrintable(error.description));
        QVERIFY(test::readRows(path) != afterOther);
        QCOMPARE(test::readRows(path).constLast().at(1).toString(), QStringLiteral("CARTER")); // theirs kept
        return;
    }
    QCOMPARE(error.number, qint32(RowConflict));
    QCOMPARE(test::readRows(path), afterOther); // nothing written over the other program's change

    // The record set is still usable: the other records can be changed.
    rs.cancelUpdate();
    QVERIFY(!rs.moveLast());
    QVERIFY(!changeLast(rs, QStringLiteral("CLARKE")));
    QCOMPARE(test::readRows(path).constLast().at(1).toString(), QStringLiteral("CLARKE"));
}

void tst_TwoPrograms::writeWaitsForALockThenReportsBusy_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("holdMs"); // 0: longer than the store waits
    QTest::newRow("immediate, held") << QStringLiteral("IMMEDIATE") << 0;
    QTest::newRow("exclusive, held") << QStringLiteral("EXCLUSIVE") << 0;
    QTest::newRow("exclusive, released soon") << QStringLiteral("EXCLUSIVE") << SqliteEngine::BusyTimeoutMs / 5;
}

void tst_TwoPrograms::writeWaitsForALockThenReportsBusy()
{
    QFETCH(QString, mode);
    QFETCH(int, holdMs);

    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), ThreeMembers);
    const QList<test::Row> before = test::readRows(path);
    RecordSet rs;
    QVERIFY(openOnB200(rs, path));
    QProcess other;
    QVERIFY(startHolding(other, path, mode, holdMs));

    const StoreError error = changeLast(rs, QStringLiteral("BRAUN"));
    if (holdMs > 0) {
        QVERIFY2(!error, qPrintable(error.description)); // it waited for the lock
        QVERIFY(other.waitForFinished());
        QCOMPARE(test::readRows(path).at(1).at(1).toString(), QStringLiteral("BRAUN"));
        return;
    }
    QCOMPARE(error.number, qint32(Busy));
    QVERIFY2(error.description.contains(QLatin1String("busy")), qPrintable(error.description));
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished());
    QCOMPARE(test::readRows(path), before);

    // Once the other program lets go, the same change goes through.
    QVERIFY(!rs.update());
    QCOMPARE(test::readRows(path).at(1).at(1).toString(), QStringLiteral("BRAUN"));
}

QTEST_GUILESS_MAIN(tst_TwoPrograms)
#include "tst_twoprograms.moc"
