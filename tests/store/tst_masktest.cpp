#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <recordset.h>
#include <sqliteengine.h>

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using vantor::test::row;

class tst_MaskTest : public QObject
{
    Q_OBJECT

private slots:
    void translateLeavesStringLiteralsAlone();
    void untestedQueriesRunOnSqlite_data();
    void untestedQueriesRunOnSqlite();
    void createDatabaseNeverOverwrites();
    void createDatabaseMakesTableAndIndexes();
    void sampleMembersArePlausible();

private:
    QTemporaryDir m_dir;
};

void tst_MaskTest::translateLeavesStringLiteralsAlone()
{
    const SqliteEngine engine;
    const QString year = engine.currentYearExpression();
    QCOMPARE(engine.translate(QStringLiteral("SELECT * FROM MT WHERE Last = 'Year(Now)' AND [Year] <> Year(Now)")),
             QStringLiteral("SELECT * FROM MT WHERE Last = 'Year(Now)' AND [Year] <> ") + year);
    QCOMPARE(engine.translate(QStringLiteral("SELECT * FROM MT WHERE Last = 'O''Year(Now)' OR [Year] = year( now() )")),
             QStringLiteral("SELECT * FROM MT WHERE Last = 'O''Year(Now)' OR [Year] = ") + year);
}

void tst_MaskTest::untestedQueriesRunOnSqlite_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("ids");
    // The five texts exactly as the query window sends them.
    QTest::newRow("1 Unit") << "Select * from MT WHERE Unit ='1' And ([Special] <> 'T' or [Special] Is Null) And "
                               "([Year] <> Year(Now) or [Year] Is Null)  ORDER BY Batt, Assign"
                            << QStringList{"U1B1A", "U1B1B", "U1NULL", "U1BLANK", "U1B2"};
    QTest::newRow("2 Unit") << "Select * from MT WHERE Unit ='2' And ([Special] <> 'T' or [Special] Is Null) And "
                               "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Batt, Assign"
                            << QStringList{"U2"};
    QTest::newRow("3 Unit") << "Select * from MT WHERE Unit ='3' And ([Special] <> 'T' or [Special] Is Null) And "
                               "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Batt, Assign"
                            << QStringList{};
    QTest::newRow("40 Hrs.") << "Select * from MT WHERE Unit ='0' And ([Special] <> 'T' or [Special] Is Null) And "
                                "([Year] <> Year(Now) or [Year] Is Null) ORDER BY Assign"
                             << QStringList{"H40A", "H40B"};
    QTest::newRow("Special Assignment") << "Select * from MT WHERE [Special] ='T' And ([Year] <> Year(Now) or "
                                           "[Year] Is Null) ORDER BY AssignTo"
                                        << QStringList{"SP3", "SP1"};
}

void tst_MaskTest::untestedQueriesRunOnSqlite()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, ids);
    const QString now = test::storeYear();
    const QString last = QString::number(now.toInt() - 1);
    const QString path = test::createDatabase(m_dir.path(), {
        row({{"ID", "U1B2"}, {"Unit", "1"}, {"Batt", "2"}, {"Assign", "A"}, {"Year", last}}),
        row({{"ID", "U1B1B"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "E-2"}, {"Year", last}, {"Special", ""}}),
        row({{"ID", "U1B1A"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "E-1"}, {"Year", "1999"}}),
        row({{"ID", "U1NULL"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "L-1"}}),
        row({{"ID", "U1BLANK"}, {"Unit", "1"}, {"Batt", "1"}, {"Assign", "M-1"}, {"Special", " "}, {"Year", ""}}),
        row({{"ID", "U1DONE"}, {"Unit", "1"}, {"Batt", "1"}, {"Year", now}}),
        row({{"ID", "U1'Year(Now)'"}, {"Unit", "1"}, {"Special", "T"}, {"Year", now}, {"AssignTo", "Year(Now)"}}),
        row({{"ID", "U2"}, {"Unit", "2"}, {"Batt", "5"}, {"Year", last}}),
        row({{"ID", "U3DONE"}, {"Unit", "3"}, {"Year", now}}),
        row({{"ID", "H40B"}, {"Unit", "0"}, {"Batt", "0"}, {"Assign", "TRAINING"}}),
        row({{"ID", "H40A"}, {"Unit", "0"}, {"Batt", "0"}, {"Assign", "ADMIN"}, {"Year", last}}),
        row({{"ID", "SP1"}, {"Unit", "2"}, {"Special", "T"}, {"AssignTo", "HQ"}}),
        row({{"ID", "SP3"}, {"Unit", "3"}, {"Special", "T"}, {"AssignTo", "ARSON"}, {"Year", last}}),
    }, QString::fromLatin1(QTest::currentDataTag()).remove(u'.') + QStringLiteral(".mdb"));

    RecordSet rs;
    rs.setCursorLocation(CursorLocation::Client);
    const StoreError error = rs.open(sql, jetConnectionString(path), CursorType::Dynamic, LockType::Optimistic);
    QVERIFY2(!error, qPrintable(error.description));
    QCOMPARE(rs.fieldNames(), masktest::fieldNames()); // no hidden key among the fields
    QStringList found;
    for (; !rs.eof(); rs.moveNext())
        found << rs.value(QStringLiteral("ID")).toString();
    QCOMPARE(found, ids);
}

void tst_MaskTest::createDatabaseNeverOverwrites()
{
    const QString path = m_dir.filePath(QStringLiteral("precious.mdb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("records of someone else");
    file.close();
    const StoreError error = masktest::createDatabase(path, 5);
    QCOMPARE(error.number, qint32(FileExists));
    QVERIFY(error.description.contains(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("records of someone else"));

    QCOMPARE(masktest::createDatabase(m_dir.filePath(QStringLiteral("no/such/folder.mdb"))).number,
             qint32(AccessDenied));
}

void tst_MaskTest::createDatabaseMakesTableAndIndexes()
{
    const QString path = m_dir.filePath(QStringLiteral("new.mdb"));
    QCOMPARE(masktest::createDatabase(path).description, QString());
    Connection connection;
    QVERIFY(!connection.open(jetConnectionString(path)));
    QVERIFY(!masktest::verifySchema(connection));
    QSqlQuery query(connection.database());
    QVERIFY(query.exec(QStringLiteral("SELECT il.name FROM sqlite_master m, pragma_index_list(m.name) l, "
                                      "pragma_index_info(l.name) il WHERE m.name = 'MT' ORDER BY il.name")));
    QStringList indexed;
    while (query.next())
        indexed << query.value(0).toString();
    QCOMPARE(indexed, (QStringList{"ID", "Special", "Unit"}));
    QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM MT")) && query.next());
    QCOMPARE(query.value(0).toInt(), 0);
}

void tst_MaskTest::sampleMembersArePlausible()
{
    const QString path = m_dir.filePath(QStringLiteral("sample.mdb"));
    QCOMPARE(masktest::createDatabase(path, 2000).description, QString());
    const QList<test::Row> rows = test::readRows(path);
    QCOMPARE(rows.size(), 2000);

    const int year = test::storeYear().toInt();
    const QRegularExpression fdid(QStringLiteral("^[A-Z][0-9]{3}$"));
    auto inRange = [](const QVariant& v, int from, int to) {
        bool ok = false;
        const int n = v.toString().toInt(&ok);
        return ok && n >= from && n <= to;
    };
    QSet<QString> ids;
    int testedThisYear = 0, neverTested = 0, special = 0;
    for (const test::Row& r : rows) {
        const QStringList v = [&r] { QStringList t; for (const QVariant& x : r) t << x.toString(); return t; }();
        const bool tested = !v.at(11).isEmpty();
        const bool isSpecial = v.at(12) == QLatin1String("T");
        const bool plausible = fdid.match(v.at(0)).hasMatch() && !v.at(1).isEmpty() && !v.at(2).isEmpty()
            && inRange(r.at(7), 0, 3) && inRange(r.at(6), 0, 7) && (v.at(7) == u'0') == (v.at(6) == u'0')
            && (!tested || (inRange(r.at(11), year - 6, year) && inRange(r.at(9), 1, 12) && inRange(r.at(10), 1, 31)))
            && isSpecial == !v.at(13).isEmpty();
        QVERIFY2(plausible, qPrintable(v.join(u'|')));
        ids << v.at(0);
        testedThisYear += v.at(11) == QString::number(year);
        neverTested += !tested;
        special += isSpecial;
    }
    // A mix worth trying the queries on: most tested, some not, some special, some shared IDs.
    QVERIFY(testedThisYear > 600 && testedThisYear < 1600);
    QVERIFY(neverTested > 0 && special > 0);
    QVERIFY(ids.size() < rows.size());
}

QTEST_GUILESS_MAIN(tst_MaskTest)
#include "tst_masktest.moc"
