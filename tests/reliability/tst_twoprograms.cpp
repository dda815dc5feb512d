// Two programs on one records file: a lock answered by a clear "busy" in the store, and a
// conflict or a lock in the records window's error report. The store's own conflict checks
// run on both engines in tst_store.
#include "mainwindowfixture.h"

#include <connectionstring.h>
#include <recordset.h>
#include <sqliteengine.h>

#include <QProcess>

using namespace vantor;
using namespace vantor::test;

namespace {

const QList<Row> ThreeMembers
    = {validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B200")), validRecord(QStringLiteral("C300"))};
const QString OtherUpdatesB = QStringLiteral("UPDATE MT SET Rank = 'LT' WHERE ID = 'B200'");
const QString OtherDeletesB = QStringLiteral("DELETE FROM MT WHERE ID = 'B200'");

// The records window's record set, standing on B200.
bool openOnB200(RecordSet& rs, const QString& path)
{
    return !rs.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), jetConnectionString(path)) && !rs.moveNext()
        && rs.value(QStringLiteral("ID")).toString() == QLatin1String("B200");
}

StoreError changeLast(RecordSet& rs, const QString& last)
{
    if (StoreError error = rs.setValue(QStringLiteral("Last"), last))
        return error;
    return rs.update();
}

// The other program, in a process of its own, holding a write lock (ms 0: until its input closes).
bool startHolding(QProcess& other, const QString& path, const QString& mode, int ms)
{
    other.start(QStringLiteral(OTHERPROGRAM), {QStringLiteral("hold"), path, mode, QString::number(ms)});
    QByteArray output;
    while (!output.contains("locked\n") && other.waitForReadyRead(10000))
        output += other.readAllStandardOutput();
    return output.contains("locked\n");
}

// The window on B200, found by a search, in edit mode with a changed first name.
bool editB200(MainWindowFixture& f, bool start = true)
{
    if (start && !f.start(ThreeMembers))
        return false;
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    f.click("cmdEdit");
    f.box("txtFname")->selectAll();
    f.type("txtFname", QStringLiteral("eve"));
    return f.box("txtFDID")->text() == QLatin1String("B200") && f.box("txtFname")->text() == QLatin1String("EVE");
}

void confirm(MainWindowFixture& f, const char* button)
{
    f.dialogs.answer(MsgResult::Yes);
    f.click(button);
}

} // namespace

class tst_TwoPrograms : public QObject
{
    Q_OBJECT

private slots:
    void writeWaitsForALockThenReportsBusy_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("holdMs"); // 0: longer than the store waits
        QTest::addColumn<bool>("adding"); // a new record rather than a change
        for (const bool adding : {false, true}) {
            const char* what = adding ? "new record" : "changed record";
            QTest::addRow("%s, immediate, held", what) << QStringLiteral("IMMEDIATE") << 0 << adding;
            QTest::addRow("%s, exclusive, held", what) << QStringLiteral("EXCLUSIVE") << 0 << adding;
            // The write is made, then cannot be committed while someone reads.
            QTest::addRow("%s, reader, held", what) << QStringLiteral("SHARED") << 0 << adding;
            QTest::addRow("%s, exclusive, released soon", what)
                << QStringLiteral("EXCLUSIVE") << SqliteEngine::BusyTimeoutMs / 5 << adding;
        }
    }

    void writeWaitsForALockThenReportsBusy()
    {
        QFETCH(QString, mode);
        QFETCH(int, holdMs);
        QFETCH(bool, adding);
        QTemporaryDir dir;
        const QString path = createDatabase(dir.path(), ThreeMembers);
        const QList<Row> before = readRows(path);
        RecordSet rs;
        QVERIFY(openOnB200(rs, path));
        if (adding) {
            QVERIFY(!rs.addNew());
            QVERIFY(!rs.setValue(QStringLiteral("ID"), QStringLiteral("D400")));
        }
        QProcess other;
        QVERIFY(startHolding(other, path, mode, holdMs));

        const StoreError error = changeLast(rs, QStringLiteral("BRAUN"));
        if (holdMs == 0) {
            QCOMPARE(error.number, qint32(Busy));
            QVERIFY2(error.description.contains(QLatin1String("busy")), qPrintable(error.description));
            other.closeWriteChannel();
            QVERIFY(other.waitForFinished());
            QCOMPARE(readRows(path), before);
            QVERIFY(!rs.update()); // once the other program lets go, the same change goes through
        } else {
            QVERIFY2(!error, qPrintable(error.description)); // it waited for the lock
            QVERIFY(other.waitForFinished());
        }
        const QList<Row> after = readRows(path);
        QCOMPARE(after.size(), before.size() + (adding ? 1 : 0));
        QCOMPARE(after.at(adding ? 3 : 1).at(1).toString(), QStringLiteral("BRAUN"));
        QCOMPARE(rs.value(QStringLiteral("Last")).toString(), QStringLiteral("BRAUN"));
    }

    void windowReportsTheConflictAndStartsAgain_data()
    {
        QTest::addColumn<QString>("otherSql");
        QTest::addColumn<bool>("ourDelete");
        QTest::newRow("changed meanwhile, we update") << OtherUpdatesB << false;
        QTest::newRow("deleted meanwhile, we update") << OtherDeletesB << false;
        QTest::newRow("changed meanwhile, we delete") << OtherUpdatesB << true;
    }

    void windowReportsTheConflictAndStartsAgain()
    {
        QFETCH(QString, otherSql);
        QFETCH(bool, ourDelete);
        MainWindowFixture f;
        QVERIFY(editB200(f));
        if (ourDelete) {
            confirm(f, "cmdCancel");
            f.dialogs.answerInput(QStringLiteral("B200"));
            f.click("cmdSearch");
        }
        QVERIFY(execute(f.path, otherSql));
        const QList<Row> theirs = readRows(f.path);

        confirm(f, ourDelete ? "cmdDelete" : "cmdUpdate");
        const MessageBox& report = f.dialogs.messages.constLast();
        QCOMPARE(report.icon, MsgIcon::Critical);
        QVERIFY2(report.prompt.contains(QStringLiteral("-2147217864")), qPrintable(report.prompt));
        if (!ourDelete) {
            QCOMPARE(f.titles().constLast(), QStringLiteral("Error at procedure <Update Error>"));
            QCOMPARE(report.prompt,
                     "Error Number: -2147217864 Description: Row cannot be located for updating. Some "
                     "values may have been changed since it was last read.");
        }
        QCOMPARE(readRows(f.path), theirs);
        if (ourDelete)
            return;

        // The clerk gives up the edit and looks the member up again: the next update builds on theirs.
        confirm(f, "cmdCancel");
        if (otherSql == OtherDeletesB) {
            f.dialogs.answerInput(QStringLiteral("B200"));
            f.click("cmdSearch");
            QCOMPARE(f.titles().constLast(), QStringLiteral("Attention"));
            return;
        }
        QVERIFY(editB200(f, false));
        QCOMPARE(f.box("txtRank")->text(), QStringLiteral("LT"));
        const qsizetype shown = f.dialogs.messages.size();
        confirm(f, "cmdUpdate");
        QCOMPARE(f.dialogs.messages.size(), shown + 1); // the confirmation only
        QCOMPARE(readRows(f.path).at(1).at(4).toString(), QStringLiteral("LT"));
        QCOMPARE(readRows(f.path).at(1).at(2).toString(), QStringLiteral("EVE"));
    }

    void windowReportsBusyThenSucceeds_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::newRow("update") << false;
        // The new record of the failed Save is dropped with it: after Cancel, Edit and Update change
        // the record shown before Add rather than store a second new one.
        QTest::newRow("save, then Cancel, Edit and Update") << true;
    }

    void windowReportsBusyThenSucceeds()
    {
        QFETCH(bool, adding);
        MainWindowFixture f;
        QVERIFY(editB200(f));
        if (adding) {
            confirm(f, "cmdCancel");
            f.click("cmdAdd");
            f.fill(validRecord(QStringLiteral("D400")));
        }
        const QList<Row> before = readRows(f.path);
        QProcess other;
        QVERIFY(startHolding(other, f.path, QStringLiteral("EXCLUSIVE"), 0));

        if (adding)
            f.click("cmdSave");
        else
            confirm(f, "cmdUpdate");
        const QString prompt = f.dialogs.messages.constLast().prompt;
        QCOMPARE(f.titles().constLast(),
                 adding ? QStringLiteral("Save") : QStringLiteral("Error at procedure <Update Error>"));
        const QString number = adding ? QStringLiteral("(Error %1)") : QStringLiteral("Error Number: %1 ");
        QVERIFY2(prompt.contains(number.arg(qint32(Busy))) && prompt.contains(QStringLiteral("busy")),
                 qPrintable(prompt));
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished());
        QCOMPARE(readRows(f.path), before);

        if (adding) {
            confirm(f, "cmdCancel");
            f.click("cmdEdit");
        }
        confirm(f, "cmdUpdate");
        QList<Row> after = before;
        if (adding)
            after[1] = validRecord(QStringLiteral("D400"));
        else
            after[1][2] = QStringLiteral("EVE");
        QCOMPARE(readRows(f.path), after);
        QVERIFY(!f.button("cmdUpdate")->isEnabled());
    }
};

QTEST_MAIN(tst_TwoPrograms)
#include "tst_twoprograms.moc"
