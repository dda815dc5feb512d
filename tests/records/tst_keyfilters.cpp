#include "recordsfixture.h"

#include <keyfilters.h>

using namespace vantor;
using namespace vantor::test;

class tst_KeyFilters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void filters_data();
    void filters();
    void typingIntoTheWindow_data();
    void typingIntoTheWindow();
    void refusedKeysAreExplainedEvenInLockedBoxes();
    void enterReachesTheFilterOnlyWhenSearchCannotTakeIt();
};

void tst_KeyFilters::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("inserted"); // empty: refused with the message titled `title`
    QTest::addColumn<QString>("title");

    const QString torF = QStringLiteral("Input Error"), range = QStringLiteral("Unit Input Error");
    for (const char* kept : {"1", "-", " ", "\b", "\t", "\r", "A", "\x03"})
        QTest::addRow("upper keeps %#x", kept[0]) << "upper" << kept << kept << "";
    QTest::newRow("upper a") << "upper" << "a" << "A" << "";
    QTest::newRow("upper e acute") << "upper" << "é" << "É" << "";
    QTest::newRow("upper sharp s") << "upper" << "ß" << "S" << "";
    for (const char* kept : {"T", " ", "\b", "\t"})
        QTest::addRow("T accepts %#x", kept[0]) << "torF" << kept << kept << "";
    QTest::newRow("T from t") << "torF" << "t" << "T" << "";
    for (const char* refused : {"F", "1", "x", "\r", "\x1b", "\x03", "\x16", "\x18"})
        QTest::addRow("T refuses %#x", refused[0]) << "torF" << refused << "" << torF;
    for (const char* kept : {"0", "7", " ", "\b", "\t"})
        QTest::addRow("batt accepts %#x", kept[0]) << "batt" << kept << kept << "";
    for (const char* refused : {"8", "9", "a", "\r", "\x1b", "\x16"})
        QTest::addRow("batt refuses %#x", refused[0]) << "batt" << refused << "" << range;
    for (const char* kept : {"0", "3", " ", "\b", "\t"})
        QTest::addRow("unit accepts %#x", kept[0]) << "unit" << kept << kept << "";
    for (const char* refused : {"4", "9", "O", "o", "\r", "\x18"})
        QTest::addRow("unit refuses %#x", refused[0]) << "unit" << refused << "" << range;
}

void tst_KeyFilters::filters()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, inserted);
    QFETCH(QString, title);
    const char32_t code = typed.toUcs4().first();
    keyfilters::KeyDecision d = filter == "upper" ? keyfilters::upperCase(code)
        : filter == "torF"                        ? keyfilters::specialAssignment(code)
        : filter == "batt"                        ? keyfilters::battalion(code)
                                                  : keyfilters::unit(code);
    if (inserted.isEmpty()) {
        QCOMPARE(d.action, keyfilters::KeyAction::Refuse);
        QCOMPARE(d.message.title, title);
        QCOMPARE(d.message.icon, MsgIcon::Information);
    } else {
        QVERIFY(d.action != keyfilters::KeyAction::Refuse);
        QCOMPARE(QString::fromUcs4(&d.code, 1), inserted);
    }
}

void tst_KeyFilters::typingIntoTheWindow_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("last name") << "txtLname" << "smith" << "SMITH";
    QTest::newRow("assignment") << "txtAssign" << "a-1" << "A-1";
    QTest::newRow("accented first name") << "txtFname" << "josé" << "JOSÉ";
    QTest::newRow("rank, five at most") << "txtRank" << "captain" << "CAPTA";
    QTest::newRow("FDID, four at most") << "txtFDID" << "a12345" << "A123";
    QTest::newRow("month has no filter") << "txtMonthTested" << "ab1" << "ab";
    QTest::newRow("T box keeps one") << "txtTorF" << "tt" << "T";
    QTest::newRow("battalion keeps one") << "txtBatt" << "07" << "0";
    QTest::newRow("unit backspace") << "txtUnit" << "3\b2" << "2";
}

void tst_KeyFilters::typingIntoTheWindow()
{
    QFETCH(QString, box);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    RecordsFixture f;
    QVERIFY(f.start({}));
    f.click("cmdAdd");
    f.type(qPrintable(box), keys);
    QCOMPARE(f.box(qPrintable(box))->text(), text);
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(describe(f.dialogs.messages.value(0))));
}

void tst_KeyFilters::refusedKeysAreExplainedEvenInLockedBoxes()
{
    RecordsFixture f;
    QVERIFY(f.start({row({{"ID", "A100"}, {"Last", "smith"}, {"Batt", "9"}, {"Unit", "1"}})}));
    // Text the program shows passes no filter.
    QCOMPARE(f.box("txtLname")->text(), "smith");
    QCOMPARE(f.box("txtBatt")->text(), "9");
    f.type("txtBatt", "8");
    f.type("txtUnit", "x");
    f.type("txtTorF", "f");
    QCOMPARE(f.titles(), QStringList({"Unit Input Error", "Unit Input Error", "Input Error"}));
    QCOMPARE(f.dialogs.messages.at(1).prompt,
             "The number you have entered is invalid or you have entered something other than a number; "
             "Please enter a number from 0 to 3\r\nO is used for 40hr personnel");
    QCOMPARE(f.dialogs.messages.at(2).prompt, "Only the letter \"T\" can be entered, all other letters are invalid");
    QCOMPARE(f.box("txtBatt")->text() + f.box("txtUnit")->text() + f.box("txtTorF")->text(), "91");
}

void tst_KeyFilters::enterReachesTheFilterOnlyWhenSearchCannotTakeIt()
{
    RecordsFixture f;
    QVERIFY(f.start({}));
    f.box("txtUnit")->setFocus();
    QTest::keyClick(f.box("txtUnit"), Qt::Key_Return);
    QCOMPARE(f.dialogs.inputs.size(), 1); // Search answered it
    QVERIFY(f.titles().filter("Unit Input Error").isEmpty());

    f.click("cmdAdd");
    QTest::keyClick(f.box("txtUnit"), Qt::Key_Return);
    QTest::keyClick(f.box("txtLname"), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(f.dialogs.inputs.size(), 1);
    QCOMPARE(f.titles().filter("Unit Input Error").size(), 1);
    QCOMPARE(f.box("txtLname")->text(), "");
}

QTEST_MAIN(tst_KeyFilters)
#include "tst_keyfilters.moc"
