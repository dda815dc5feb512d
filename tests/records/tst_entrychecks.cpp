#include "mainwindowfixture.h"

#include <entryvalidation.h>
#include <fdidvalidation.h>
#include <keyfilters.h>
#include <masktest.h>

#include <QClipboard>

using namespace vantor;
using namespace vantor::test;

namespace {

// Each check with a fault of its own, in the order ValidateEntries runs them.
struct Fault {
    const char* box;
    const char* text;
    const char* title;
    const char* prompt;
    MsgIcon icon;
};
const Fault Faults[] = {
    {"txtMonthTested", "ab", "Month", "Month format must be numerals only!", MsgIcon::Information},
    {"txtDayTested", "x", "Day", "Day format must be numerals only!", MsgIcon::Information},
    {"txtYearTested", "20x6", "Year", "Year format must be numerals only!", MsgIcon::Information},
    {"txtFDID", "", "FDID Field", "FDID is a required field!", MsgIcon::Exclamation},
    {"txtRank", "", "Personnel's Rank", "Please enter the personnel's rank!", MsgIcon::Information},
    {"txtKday", "", "Kelly Day", "If Kelly Day does not apply, then place a zero (0) in the box!",
     MsgIcon::Information},
    {"txtLname", "", "Vantor", "Please enter a last name!", MsgIcon::None},
    {"txtFname", "", "Vantor", "Please enter a first name!", MsgIcon::None},
    {"txtBatt", "", "Battatlion",
     "Please enter the personnel's battalion.\r\nIf the personnel are on 40hrs., then place a \"0\" in the box.",
     MsgIcon::Information},
    {"txtBatt", "B", "Input Error",
     "You have entered something other than a number for the Battalion; Please correct this!", MsgIcon::Information},
    {"txtUnit", "", "Unit", "Please enter the personnel's assigned Unit!", MsgIcon::Exclamation},
    {"txtUnit", "U", "Input Error",
     "You have entered something other than a number for personnel's Unit;Please correct this!", MsgIcon::Information},
    {"txtAssign", "", "Assignment", "Please enter the personnel's permanent assignment!", MsgIcon::Exclamation},
};

} // namespace

class tst_EntryChecks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void filters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("inserted"); // empty: refused with the message titled `title`
        QTest::addColumn<QString>("title");
        const auto rows = [](const char* filter, std::initializer_list<const char*> keys, const char* title) {
            for (const char* k : keys) {
                QTest::addRow("%s %s %#x", filter, *title ? "refuses" : "keeps", k[0])
                    << filter << k << (*title ? "" : k) << title;
            }
        };
        const auto converted = [](const char* name, const char* filter, const char* typed, const char* inserted) {
            QTest::newRow(name) << QString::fromUtf8(filter) << QString::fromUtf8(typed) << QString::fromUtf8(inserted)
                                << QString();
        };
        rows("upper", {"1", "-", " ", "\b", "\t", "\r", "A", "\x03"}, "");
        converted("upper a", "upper", "a", "A");
        converted("upper e acute", "upper", "é", "É");
        converted("upper sharp s", "upper", "ß", "S");
        rows("torF", {"T", " ", "\b", "\t"}, "");
        converted("T from t", "torF", "t", "T");
        rows("torF", {"F", "1", "x", "\r", "\x1b", "\x03", "\x16", "\x18"}, "Input Error");
        rows("batt", {"0", "7", " ", "\b", "\t"}, "");
        rows("batt", {"8", "9", "a", "\r", "\x1b", "\x16"}, "Unit Input Error");
        rows("unit", {"0", "3", " ", "\b", "\t"}, "");
        rows("unit", {"4", "9", "O", "o", "\r", "\x18"}, "Unit Input Error");
    }
    void filters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(QString, inserted);
        const char32_t code = typed.toUcs4().first();
        const keyfilters::KeyDecision d = filter == u"upper" ? keyfilters::upperCase(code)
            : filter == u"torF"                              ? keyfilters::specialAssignment(code)
            : filter == u"batt"                              ? keyfilters::battalion(code)
                                                             : keyfilters::unit(code);
        QCOMPARE(d.action == keyfilters::KeyAction::Refuse, inserted.isEmpty());
        if (inserted.isEmpty()) {
            QTEST(d.message.title, "title");
            QCOMPARE(d.message.icon, MsgIcon::Information);
        } else {
            QCOMPARE(QString::fromUcs4(&d.code, 1), inserted);
        }
    }

    // What a box holds after keys and pastes: nothing reaches it but through its filter and within
    // its typing limit, neither a key pressed with Alt or Ctrl that is no enabled access key, nor a
    // paste of any kind, nor typing after a longer stored text was shown.
    void typingIntoTheWindow_data()
    {
        QTest::addColumn<QString>("mode"); // Add, or Edit of a record whose Kelly Day is "abcde"
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys"); // the clipboard holds "o'brien é" and a line break
        QTest::addColumn<QString>("text");
        const QList<std::array<const char*, 5>> rows = {
            {"last name", "cmdAdd", "txtLname", "smith", "SMITH"},
            {"accented first name", "cmdAdd", "txtFname", "josé", "JOSÉ"},
            {"FDID, four at most", "cmdAdd", "txtFDID", "a12345", "A123"},
            {"month has no filter", "cmdAdd", "txtMonthTested", "ab1", "ab"},
            {"T box keeps one", "cmdAdd", "txtTorF", "tt", "T"},
            {"battalion keeps one", "cmdAdd", "txtBatt", "07", "0"},
            {"unit backspace", "cmdAdd", "txtUnit", "3\b2", "2"},
            {"Alt with no access key", "cmdAdd", "txtLname", "smith<Alt+J>", "SMITH"},
            {"Alt+S while Search is off", "cmdAdd", "txtTorF", "<Alt+S>", ""},
            {"Alt+Q while Query is off", "cmdEdit", "txtLname", "<End><Alt+Q>", "EVANS"},
            {"Alt+C: Cancel has no access key", "cmdAdd", "txtBatt", "<Alt+C>", ""},
            {"Ctrl+Alt", "cmdAdd", "txtFname", "<Ctrl+Alt+Q>", ""},
            {"Ctrl with a keypad digit", "cmdAdd", "txtBatt", "<Ctrl+Num+9>", ""},
            {"editing shortcuts still edit", "cmdAdd", "txtLname", "smith<Ctrl+A><Backspace>jo", "JO"},
            {"Ctrl+V", "cmdAdd", "txtLname", "<Ctrl+V>", "O'BRIEN É"},
            {"Shift+Insert", "cmdAdd", "txtFname", "x<Shift+Ins>", "XO'BRIEN É"},
            {"context menu", "cmdAdd", "txtAssign", "<menu>", "O'BRIEN É"},
            {"paste cut at the limit", "cmdAdd", "txtRank", "<Ctrl+V>", "O'BRI"},
            {"longer stored text, two deleted", "cmdEdit", "txtKday", "<End><Backspace><Backspace>xy", "abc"},
            {"paste after two deleted", "cmdEdit", "txtKday", "<End><Backspace><Backspace><Ctrl+V>", "abc"},
            {"a selection replaced: judged by the result", "cmdEdit", "txtKday", "<End><Shift+Left>x", "abcde"},
            {"the whole text replaced", "cmdEdit", "txtKday", "<Ctrl+A>wxyz", "WXY"},
            {"middle button (X11 only)", "cmdAdd", "txtLname", "<middle>", "O'BRIEN É"},
        };
        for (const auto& [name, mode, box, keys, text] : rows) {
            if (QGuiApplication::clipboard()->supportsSelection() || QByteArray(keys) != "<middle>")
                QTest::newRow(name) << mode << box << QString::fromUtf8(keys) << QString::fromUtf8(text);
        }
    }
    void typingIntoTheWindow()
    {
        QFETCH(QString, mode);
        QFETCH(QString, box);
        QFETCH(QString, keys);
        Row stored = validRecord();
        stored[masktest::fieldNames().indexOf(u"Kelly")] = QStringLiteral("abcde");
        MainWindowFixture f;
        QVERIFY(f.start({stored}));
        QGuiApplication::clipboard()->setText(QStringLiteral("o'brien é\r\n"));
        if (QGuiApplication::clipboard()->supportsSelection())
            QGuiApplication::clipboard()->setText(QStringLiteral("o'brien é\r\n"), QClipboard::Selection);
        f.click(qPrintable(mode));
        f.type(qPrintable(box), keys);
        QTEST(f.box(qPrintable(box))->text(), "text");
        QCOMPARE(f.titles(), QStringList());
    }

    void refusedKeysAreExplainedEvenInLockedBoxes()
    {
        MainWindowFixture f;
        QVERIFY(f.start({row({{"ID", "A100"}, {"Last", "smith"}, {"Batt", "9"}, {"Unit", "1"}})}));
        QCOMPARE(f.box("txtLname")->text(), "smith"); // text the program shows passes no filter
        f.type("txtBatt", "8");
        f.type("txtUnit", "x");
        f.type("txtTorF", "f");
        QCOMPARE(f.titles(), QStringList({"Unit Input Error", "Unit Input Error", "Input Error"}));
        QCOMPARE(f.dialogs.messages.at(1).prompt,
                 "The number you have entered is invalid or you have entered something other than a number; "
                 "Please enter a number from 0 to 3\r\nO is used for 40hr personnel");
        QCOMPARE(f.dialogs.messages.at(2).prompt,
                 "Only the letter \"T\" can be entered, all other letters are invalid");
        QCOMPARE(f.box("txtBatt")->text() + f.box("txtUnit")->text() + f.box("txtTorF")->text(), "91");
    }

    void enterReachesTheFilterOnlyWhenSearchCannotTakeIt()
    {
        MainWindowFixture f;
        QVERIFY(f.start({}));
        f.box("txtUnit")->setFocus();
        QTest::keyClick(f.box("txtUnit"), Qt::Key_Return);
        QCOMPARE(f.dialogs.inputs.size(), 1); // Search answered it
        f.click("cmdAdd");
        QTest::keyClick(f.box("txtUnit"), Qt::Key_Return);
        QTest::keyClick(f.box("txtLname"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(f.dialogs.inputs.size(), 1);
        QCOMPARE(f.titles().filter("Unit Input Error").size(), 1);
        QCOMPARE(f.box("txtLname")->text(), "");
    }

    void fdidForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::newRow("A123") << "A123" << true;
        QTest::newRow("lower case") << "z907" << true;
        for (const char* bad : {"A12", "1234", "AB12", " A123", "A123 ", "    ", "A1234", "A123\n", "É123", "A12O"})
            QTest::newRow(qPrintable(QString::fromUtf8(bad).replace(u'\n', QStringLiteral("\\n")))) << bad << false;
    }
    void fdidForm()
    {
        QFETCH(QString, text);
        QTEST(fdid::hasForm(text), "passes");
    }

    void leavingTheBoxWithABadFdid_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::newRow("typed after Add") << true;
        QTest::newRow("stored, in browse mode") << false;
    }
    void leavingTheBoxWithABadFdid()
    {
        QFETCH(bool, adding);
        MainWindowFixture f;
        QVERIFY(f.start({row({{"ID", "X12"}})}));
        QWidget box; // stands in for the modal box, which becomes the active window while it shows
        const auto boxTakesTheFocus = [&](const MessageBox&) {
            box.show();
            QApplication::setActiveWindow(&box);
            QApplication::setActiveWindow(f.window.get());
        };
        f.dialogs.onMessage(boxTakesTheFocus);
        if (adding) {
            f.click("cmdAdd");
            f.type("txtFDID", "ab1");
        } else {
            // Enter in txtFDID opens Search's input box; nothing is found, so a message follows,
            // and its box taking the focus is no move out of txtFDID.
            f.dialogs.answerInput(QStringLiteral("Z999"));
            f.box("txtFDID")->setFocus();
            QTest::keyClick(f.box("txtFDID"), Qt::Key_Return);
            QCOMPARE(f.titles(), QStringList{"Attention"});
            QCOMPARE(f.box("txtFDID")->text(), "X12");
            f.dialogs.clear();
            f.dialogs.onMessage(boxTakesTheFocus);
        }
        f.box("txtFDID")->setFocus();
        QTest::keyClick(f.box("txtFDID"), Qt::Key_Tab);
        // One rejection, one message, although its box takes the focus from the window.
        QCOMPARE(f.titles(), QStringList{"Note"});
        QCOMPARE(f.dialogs.messages.first().prompt,
                 "The information that you have entered is not valid or you forgot to make an entry:\r\n"
                 "1. The FDID is REQUIRED!\r\n2. The FDID must be in the A123 format!\r\n"
                 "For example: First entry must be a letter followed by three numbers!");
        QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::None);
        QCOMPARE(f.box("txtFDID")->text(), "");
        QCOMPARE(QApplication::focusWidget(), f.box("txtFDID"));
        QCOMPARE(readRows(f.path).first().first(), "X12");
        // Empty now: leaving again says nothing.
        QTest::keyClick(f.box("txtFDID"), Qt::Key_Tab);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(QApplication::focusWidget() != f.box("txtFDID"));
    }

    void aRefusedFdidStopsTheClickThatMovedTheFocus()
    {
        MainWindowFixture f;
        QVERIFY(f.start({}));
        f.click("cmdAdd");
        f.fill(validRecord());
        f.box("txtFDID")->setText(QStringLiteral("E5"));
        f.box("txtFDID")->setFocus();
        f.click("cmdSave");
        f.type("txtFDID", "e5");
        QTest::keyClick(f.window.get(), Qt::Key_V, Qt::AltModifier);
        QCOMPARE(f.titles(), QStringList({"Note", "Note"}));
        QCOMPARE(QApplication::focusWidget(), f.box("txtFDID"));
        f.type("txtFDID", "e500");
        QTest::keyClick(f.window.get(), Qt::Key_V, Qt::AltModifier);
        QTRY_COMPARE(readRows(f.path).size(), 1);
        QCOMPARE(f.titles(), QStringList({"Note", "Note"})); // neither refused attempt reached Save
        QCOMPARE(readRows(f.path).first().first(), "E500");
    }

    void numberTest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        for (const char* yes : {"7", "12", "2026", "007", " 7", "7 ", "-3", "+1", "1.5", ".5", "5."})
            QTest::newRow(yes) << yes << true;
        for (const char* no : {"", " ", "ab", "O", "1a", "1 2", "1,000", "1e3", "&H1F", "$5", "--1", ".", "1.2.3"})
            QTest::newRow(no) << no << false;
    }
    void numberTest()
    {
        QFETCH(QString, text);
        QTEST(entries::isNumeric(text), "numeric");
    }

    void checksInOrder_data()
    {
        QTest::addColumn<int>("check");
        QTest::addColumn<bool>("update");
        for (int i = 0; i < 13; ++i) {
            QTest::addRow("%d %s on save", i + 1, Faults[i].box) << i << false;
            QTest::addRow("%d %s on update", i + 1, Faults[i].box) << i << true;
        }
    }
    void checksInOrder()
    {
        QFETCH(int, check);
        QFETCH(bool, update);
        const Row stored = validRecord(QStringLiteral("A100"));
        MainWindowFixture f;
        QVERIFY(f.start({stored}));
        f.click(update ? "cmdEdit" : "cmdAdd");
        f.fill(validRecord());
        f.box("txtRank")->setText(QStringLiteral("  ")); // blanks are not empty
        // Every later check is given its fault as well: the message seen proves this one runs first.
        for (int i = 12; i >= check; --i)
            f.box(Faults[i].box)->setText(QString::fromUtf8(Faults[i].text));
        const Fault& fault = Faults[check];
        const QString before = f.box(fault.box)->text();
        f.click(update ? "cmdUpdate" : "cmdSave");
        QCOMPARE(f.titles(), QStringList{fault.title});
        QCOMPARE(f.dialogs.messages.first().prompt, QString::fromUtf8(fault.prompt));
        QCOMPARE(f.dialogs.messages.first().icon, fault.icon);
        const bool numberCheck = check < 3 || check == 9 || check == 11;
        QCOMPARE(f.box(fault.box)->text(), numberCheck ? QString() : before);
        QCOMPARE(QApplication::focusWidget(), f.box(fault.box));
        QCOMPARE(readRows(f.path), QList<Row>{stored});
        QVERIFY(f.button(update ? "cmdUpdate" : "cmdSave")->isEnabled() && !f.box("txtLname")->isReadOnly());
    }
};

QTEST_MAIN(tst_EntryChecks)
#include "tst_entrychecks.moc"
