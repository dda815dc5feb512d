#include "legacycsv.h"
#include "mainwindowfixture.h"

#include <legacyimport.h>
#include <masktest.h>
#include <recordset.h>

#include <QFile>
#include <QTest>

#include <algorithm>

using namespace vantor;
using namespace vantor::test;

class tst_LegacyStartup : public QObject
{
    Q_OBJECT

private slots:
    void yesConvertsAndStartsOnTheFirstRecord_data();
    void yesConvertsAndStartsOnTheFirstRecord();
    void noEndsWithoutTouchingTheFile();
};

namespace {

const QString SpecialAssignmentQuery = QStringLiteral(
    "Select * from MT WHERE [Special] ='T' And ([Year] <> Year(Now) or [Year] Is Null) ORDER BY AssignTo");

// The rows a query over the CSV should give, ordered as SQLite orders text: nulls first.
QList<Row> sortedBy(QList<Row> rows, const char* field)
{
    const qsizetype column = masktest::fieldNames().indexOf(QString::fromLatin1(field));
    std::stable_sort(rows.begin(), rows.end(), [column](const Row& a, const Row& b) {
        if (!a.at(column).isValid() || !b.at(column).isValid())
            return !a.at(column).isValid() && b.at(column).isValid();
        return a.at(column).toString() < b.at(column).toString();
    });
    return rows;
}

} // namespace

void tst_LegacyStartup::yesConvertsAndStartsOnTheFirstRecord_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("all text") << QStringLiteral("MaskTest-text");
    QTest::newRow("typed") << QStringLiteral("MaskTest-typed");
}

void tst_LegacyStartup::yesConvertsAndStartsOnTheFirstRecord()
{
    QFETCH(QString, name);
    const QList<Row> csv = readCsv(legacyFixture(name + QStringLiteral(".csv")));
    MainWindowFixture f;
    const QString path = f.dir.filePath(masktest::DatabaseFileName);
    QVERIFY(QFile::copy(legacyFixture(name + QStringLiteral(".mdb")), path));
    f.dialogs.answer(MsgResult::Yes);
    QVERIFY(f.load());

    QCOMPARE(f.dialogs.messages.size(), 1);
    const MessageBox& box = f.dialogs.messages.first();
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    QVERIFY2(box.prompt.contains(path) && box.prompt.contains(legacy::originalCopyPath(path)), qPrintable(box.prompt));
    QCOMPARE(fileBytes(legacy::originalCopyPath(path)), fileBytes(legacyFixture(name + QStringLiteral(".mdb"))));

    const Row first = sortedBy(csv, "ID").first();
    const char* const boxes[] = {"txtFDID", "txtLname", "txtFname",       "txtMid",       "txtRank",
                                 "txtKday", "txtBatt",  "txtUnit",        "txtAssign",    "txtMonthTested",
                                 "txtDayTested", "txtYearTested", "txtTorF", "txtAssignTo"};
    for (qsizetype i = 0; i < first.size(); ++i)
        QCOMPARE(f.box(boxes[i])->text(), first.at(i).toString());

    // An untested list over the converted file: special assignments not tested this year.
    QList<Row> expected;
    for (const Row& row : csv) {
        const QVariant year = row.at(11);
        if (row.at(12).isValid() && row.at(12).toString() == QStringLiteral("T")
            && (!year.isValid() || year.toString() != storeYear()))
            expected << row;
    }
    QVERIFY(!expected.isEmpty());
    RecordSet rs;
    rs.setCursorLocation(CursorLocation::Client);
    const StoreError error = rs.open(SpecialAssignmentQuery, jetConnectionString(path), CursorType::Dynamic,
                                     LockType::Optimistic);
    QVERIFY2(!error, qPrintable(error.description));
    QList<Row> listed;
    for (; !rs.eof(); rs.moveNext()) {
        Row row;
        for (const QString& field : masktest::fieldNames())
            row << rs.value(field);
        listed << row;
    }
    // Members with the same AssignTo may come in any order among themselves.
    QCOMPARE(render(sortedBy(listed, "AssignTo")), render(listed));
    QStringList got = render(listed), want = render(expected);
    got.sort();
    want.sort();
    QCOMPARE(got, want);
}

void tst_LegacyStartup::noEndsWithoutTouchingTheFile()
{
    MainWindowFixture f;
    const QString path = f.dir.filePath(masktest::DatabaseFileName);
    QVERIFY(QFile::copy(legacyFixture(QStringLiteral("MaskTest-text.mdb")), path));
    f.dialogs.answer(MsgResult::No);
    QVERIFY(!f.load());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(f.dialogs.messages.first().buttons, MsgButtons::YesNo);
    QCOMPARE(fileBytes(path), fileBytes(legacyFixture(QStringLiteral("MaskTest-text.mdb"))));
    QVERIFY(!QFile::exists(legacy::originalCopyPath(path)));
}

QTEST_MAIN(tst_LegacyStartup)
#include "tst_legacystartup.moc"
