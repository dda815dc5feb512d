// Two programs on one file, seen from the records window: conflicts, locks and a full disk
// are reported once, nothing is written over the other program's work, and the window
// goes on working.
#include "mainwindowfixture.h"

#include <sqliteengine.h>

#include <QApplication>
#include <QClipboard>
#include <QProcess>

using namespace vantor;
using namespace vantor::test;

class tst_WindowConflicts : public QObject
{
    Q_OBJECT

private slots:
    void updateConflictThenTheUserStartsAgain_data();
    void updateConflictThenTheUserStartsAgain();
    void deleteConflictDeletesNothing();
    void updateAgainstALockWaitsThenSucceedsWhenItGoes();
    void updateOnAFullDiskIsReportedAndWritesNothing();

private:
    // The window on B200, found by a search, in edit mode with a changed first name.
    static bool editB200(MainWindowFixture& f);
    static void confirmUpdate(MainWindowFixture& f);
    static const MessageBox& lastMessage(const MainWindowFixture& f) { return f.dialogs.messages.constLast(); }
};

bool tst_WindowConflicts::editB200(MainWindowFixture& f)
{
    if (!f.start({validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B200")),
                  validRecord(QStringLiteral("C300"))}))
        return false;
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    f.click("cmdEdit");
    f.box("txtFname")->selectAll();
    f.type("txtFname", QStringLiteral("eve"));
    return f.box("txtFDID")->text() == QLatin1String("B200") && f.box("txtFname")->text() == QLatin1String("EVE");
}

void tst_WindowConflicts::confirmUpdate(MainWindowFixture& f)
{
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdUpdate");
}

void tst_WindowConflicts::updateConflictThenTheUserStartsAgain_data()
{
    QTest::addColumn<QString>("otherProgram");
    QTest::addColumn<bool>("stillThere");
    QTest::newRow("changed meanwhile") << "UPDATE MT SET Rank = 'LT' WHERE ID = 'B200'" << true;
    QTest::newRow("deleted meanwhile") << "DELETE FROM MT WHERE ID = 'B200'" << false;
}

void tst_WindowConflicts::updateConflictThenTheUserStartsAgain()
{
    QFETCH(QString, otherProgram);
    QFETCH(bool, stillThere);
    MainWindowFixture f;
    QVERIFY(editB200(f));
    QVERIFY(execute(f.path, otherProgram));
    const QList<Row> theirs = readRows(f.path);

    confirmUpdate(f);
    QCOMPARE(DialogService::titleOf(lastMessage(f).title), QStringLiteral("Error at procedure <Update Error>"));
    QVERIFY2(lastMessage(f).prompt.startsWith(QStringLiteral("Error Number: -2147217864 Description: ")),
             qPrintable(lastMessage(f).prompt));
    QCOMPARE(readRows(f.path), theirs);
    QVERIFY(f.button("cmdUpdate")->isEnabled());
    QVERIFY(!f.box("txtFname")->isReadOnly());

    // The clerk gives up the edit and looks the member up again: the other program's
    // version is what the window shows and what the next update builds on.
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdCancel");
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    if (!stillThere) {
        QCOMPARE(DialogService::titleOf(lastMessage(f).title), QStringLiteral("Attention"));
        return;
    }
    QCOMPARE(f.box("txtRank")->text(), QStringLiteral("LT"));
    QCOMPARE(f.box("txtFname")->text(), QStringLiteral("ED"));
    f.click("cmdEdit");
    f.box("txtFname")->selectAll();
    f.type("txtFname", QStringLiteral("eve"));
    const qsizetype shown = f.dialogs.messages.size();
    confirmUpdate(f);
    QCOMPARE(f.dialogs.messages.size(), shown + 1); // the confirmation only
    const Row b200 = readRows(f.path).at(1);
    QCOMPARE(b200.at(4).toString(), QStringLiteral("LT"));  // their change
    QCOMPARE(b200.at(2).toString(), QStringLiteral("EVE")); // and ours
}

void tst_WindowConflicts::deleteConflictDeletesNothing()
{
    MainWindowFixture f;
    QVERIFY(editB200(f));
    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdCancel");
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    QVERIFY(execute(f.path, QStringLiteral("UPDATE MT SET Rank = 'LT' WHERE ID = 'B200'")));
    const QList<Row> theirs = readRows(f.path);

    f.dialogs.answer(MsgResult::Yes);
    f.click("cmdDelete");
    QCOMPARE(lastMessage(f).icon, MsgIcon::Critical);
    QVERIFY2(lastMessage(f).prompt.contains(QStringLiteral("-2147217864")), qPrintable(lastMessage(f).prompt));
    QCOMPARE(readRows(f.path), theirs);
    QVERIFY(f.button("cmdSearch")->isEnabled());
}

void tst_WindowConflicts::updateAgainstALockWaitsThenSucceedsWhenItGoes()
{
    MainWindowFixture f;
    QVERIFY(editB200(f));
    const QList<Row> before = readRows(f.path);
    QProcess other;
    other.start(QStringLiteral(OTHERPROGRAM), {QStringLiteral("hold"), f.path, QStringLiteral("EXCLUSIVE"),
                                               QStringLiteral("0")});
    QVERIFY(other.waitForReadyRead(10000));
    QCOMPARE(other.readLine(), QByteArray("locked\n"));

    confirmUpdate(f);
    QCOMPARE(DialogService::titleOf(lastMessage(f).title), QStringLiteral("Error at procedure <Update Error>"));
    QVERIFY2(lastMessage(f).prompt.startsWith(QStringLiteral("Error Number: %1 ").arg(qint32(Busy)))
                 && lastMessage(f).prompt.contains(QStringLiteral("busy")),
             qPrintable(lastMessage(f).prompt));
    QVERIFY(f.button("cmdUpdate")->isEnabled());
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished());
    QCOMPARE(readRows(f.path), before);

    // Once the other program lets go, the same Update goes through.
    confirmUpdate(f);
    QCOMPARE(readRows(f.path).at(1).at(2).toString(), QStringLiteral("EVE"));
    QVERIFY(!f.button("cmdUpdate")->isEnabled());
}

void tst_WindowConflicts::updateOnAFullDiskIsReportedAndWritesNothing()
{
    MainWindowFixture f;
    QVERIFY(f.start({validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B200"))}));
    // The search's record set opens while the disk is full.
    SqliteEngine::testHookMaxPageCount = 1;
    f.dialogs.answerInput(QStringLiteral("B200"));
    f.click("cmdSearch");
    SqliteEngine::testHookMaxPageCount = 0;
    const QList<Row> before = readRows(f.path);

    f.click("cmdEdit");
    QApplication::clipboard()->setText(QString(50000, u'W'));
    f.box("txtAssignTo")->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(f.box("txtAssignTo"), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.box("txtAssignTo")->text().size(), 50000);
    confirmUpdate(f);
    QVERIFY2(lastMessage(f).prompt.startsWith(QStringLiteral("Error Number: %1 ").arg(qint32(DiskFull)))
                 && lastMessage(f).prompt.contains(QStringLiteral("full")),
             qPrintable(lastMessage(f).prompt.left(300)));
    QCOMPARE(readRows(f.path), before);

    // A shorter text still fits.
    f.box("txtAssignTo")->selectAll();
    f.type("txtAssignTo", QStringLiteral("hq"));
    confirmUpdate(f);
    QCOMPARE(readRows(f.path).at(1).at(13).toString(), QStringLiteral("HQ"));
}

QTEST_MAIN(tst_WindowConflicts)
#include "tst_windowconflicts.moc"
