#include "recordsfixture.h"

#include <fdidvalidation.h>

using namespace vantor;
using namespace vantor::test;

class tst_FdidCheck : public QObject
{
    Q_OBJECT

private slots:
    void form_data();
    void form();
    void leavingTheBoxWithABadFdid();
    void storedBadFdidInBrowseMode();
    void aMessageBoxTakingTheFocusIsNoMove();
    void aRefusedFdidStopsTheClickThatMovedTheFocus();
};

void tst_FdidCheck::form_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    QTest::newRow("A123") << "A123" << true;
    QTest::newRow("lower case") << "z907" << true;
    for (const char* bad : {"A12", "1234", "AB12", " A123", "A123 ", "    ", "A1234", "A123\n", "É123", "A12O"})
        QTest::newRow(qPrintable(QString::fromUtf8(bad).replace(u'\n', QStringLiteral("\\n")))) << bad << false;
}

void tst_FdidCheck::form()
{
    QFETCH(QString, text);
    QTEST(fdid::hasForm(text), "passes");
}

void tst_FdidCheck::leavingTheBoxWithABadFdid()
{
    RecordsFixture f;
    QVERIFY(f.start({}));
    f.click("cmdAdd");
    f.type("txtFDID", "ab1");
    QTest::keyClick(f.box("txtFDID"), Qt::Key_Tab);
    QCOMPARE(f.titles(), QStringList{"Note"});
    const MessageBox note = f.dialogs.messages.first();
    QCOMPARE(note.prompt, "The information that you have entered is not valid or you forgot to make an entry:\r\n"
                          "1. The FDID is REQUIRED!\r\n2. The FDID must be in the A123 format!\r\n"
                          "For example: First entry must be a letter followed by three numbers!");
    QCOMPARE(note.icon, MsgIcon::None);
    QCOMPARE(f.box("txtFDID")->text(), "");
    QCOMPARE(QApplication::focusWidget(), f.box("txtFDID"));
    // Empty now: leaving again says nothing.
    QTest::keyClick(f.box("txtFDID"), Qt::Key_Tab);
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(QApplication::focusWidget() != f.box("txtFDID"));
}

void tst_FdidCheck::storedBadFdidInBrowseMode()
{
    RecordsFixture f;
    QVERIFY(f.start({row({{"ID", "X12"}, {"Last", "OLD"}})}));
    f.box("txtFDID")->setFocus();
    QTest::mouseClick(f.box("txtRank"), Qt::LeftButton);
    QCOMPARE(f.titles(), QStringList{"Note"});
    QCOMPARE(f.box("txtFDID")->text(), "");
    QCOMPARE(readRows(f.path).first().first(), "X12");
}

void tst_FdidCheck::aMessageBoxTakingTheFocusIsNoMove()
{
    RecordsFixture f;
    QVERIFY(f.start({row({{"ID", "X12"}})}));
    QWidget box; // stands in for the modal box, which becomes the active window while it shows
    const auto boxTakesTheFocus = [&](const MessageBox&) {
        box.show();
        QApplication::setActiveWindow(&box);
        QApplication::setActiveWindow(f.window.get());
    };
    f.dialogs.onMessage(boxTakesTheFocus);
    // Enter in txtFDID opens Search's input box; nothing is found, so a message follows.
    f.dialogs.answerInput(QStringLiteral("Z999"));
    f.box("txtFDID")->setFocus();
    QTest::keyClick(f.box("txtFDID"), Qt::Key_Return);
    QCOMPARE(f.titles(), QStringList{"Attention"});
    QCOMPARE(f.box("txtFDID")->text(), "X12");

    // One rejection, one message, although its box takes the focus from the window.
    f.dialogs.clear();
    f.dialogs.onMessage(boxTakesTheFocus);
    QTest::keyClick(f.box("txtFDID"), Qt::Key_Tab);
    QCOMPARE(f.titles(), QStringList{"Note"});
    QCOMPARE(QApplication::focusWidget(), f.box("txtFDID"));
}

void tst_FdidCheck::aRefusedFdidStopsTheClickThatMovedTheFocus()
{
    RecordsFixture f;
    QVERIFY(f.start({}));
    f.click("cmdAdd");
    f.fill(validRecord());
    f.box("txtFDID")->setText(QStringLiteral("E5"));
    f.box("txtFDID")->setFocus();
    f.click("cmdSave");
    QCOMPARE(f.titles(), QStringList{"Note"});
    f.type("txtFDID", "e5");
    QTest::keyClick(f.window.get(), Qt::Key_V, Qt::AltModifier);
    QCOMPARE(f.titles(), QStringList({"Note", "Note"}));
    QCOMPARE(QApplication::focusWidget(), f.box("txtFDID"));
    f.type("txtFDID", "e500");
    QTest::keyClick(f.window.get(), Qt::Key_V, Qt::AltModifier);
    QTRY_COMPARE(readRows(f.path).size(), 1);
    // Neither refused attempt reached Save afterwards.
    QCOMPARE(f.titles(), QStringList({"Note", "Note"}));
    QCOMPARE(readRows(f.path).first().first(), "E500");
}

QTEST_MAIN(tst_FdidCheck)
#include "tst_fdidcheck.moc"
