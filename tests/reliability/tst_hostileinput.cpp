// What a clerk may type or paste: SQL punctuation, wildcards, very long texts, any script,
// emoji, control characters. Nothing is injected, nothing crashes, and what is stored is
// exactly what the box held.
#include "mainwindowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

using namespace vantor;
using namespace vantor::test;

class tst_HostileInput : public QObject
{
    Q_OBJECT

private slots:
    void searchTakesTheAnswerAsText_data();
    void searchTakesTheAnswerAsText();
    void typedTextIsStoredAndShownBack_data();
    void typedTextIsStoredAndShownBack();
    void pastedTextIsStoredAndShownBack_data();
    void pastedTextIsStoredAndShownBack();
    void everyPasteMeetsTheRangeFilters();
};

namespace {

// One key per character, surrogate pairs included, as a keyboard or an input method sends them.
void typeCharacters(QWidget* box, const QString& text)
{
    box->setFocus(Qt::MouseFocusReason);
    for (const char32_t code : text.toUcs4()) {
        const QString one = QString::fromUcs4(&code, 1);
        const Qt::Key key = code < 128 && QChar(code).isLetterOrNumber() ? Qt::Key(QChar(code).toUpper().unicode())
                                                                        : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, box, key, one, Qt::NoModifier);
    }
}

void paste(QWidget* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

const QList<Row> Members = {validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B'2%")),
                            validRecord(QStringLiteral("C_3;")), validRecord(QStringLiteral("D--4"))};

// Saves a new record from a valid one with `box` left to `enter`; returns what the box held.
QString saveWith(MainWindowFixture& f, const char* box, const std::function<void(QWidget*)>& enter)
{
    f.click("cmdAdd");
    f.fill(validRecord(QStringLiteral("N900")));
    f.box(box)->clear();
    enter(f.box(box));
    const QString held = f.box(box)->text();
    f.click("cmdSave");
    return held;
}

} // namespace

void tst_HostileInput::searchTakesTheAnswerAsText_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("found"); // empty: nothing found

    QTest::newRow("always true") << "A100' OR '1'='1" << "";
    QTest::newRow("statement after") << "A100'; DROP TABLE MT; --" << "";
    QTest::newRow("comment") << "A100'--" << "";
    QTest::newRow("lone quote") << "'" << "";
    QTest::newRow("double quote") << "\"A100\"" << "";
    QTest::newRow("percent") << "%" << "";
    QTest::newRow("underscore") << "A_00" << "";
    QTest::newRow("prefix wildcard") << "A1%" << "";
    QTest::newRow("quote and percent stored") << "B'2%" << "B'2%";
    QTest::newRow("underscore and semicolon stored") << "C_3;" << "C_3;";
    QTest::newRow("dashes stored") << "D--4" << "D--4";
    QTest::newRow("NUL inside") << QStringLiteral("A100") + QChar(0) << "";
    QTest::newRow("control characters") << "A100\r\n\t\x1b" << "";
    QTest::newRow("10,000 characters") << QString(10000, u'A') << "";
    QTest::newRow("100,000 quotes") << QString(100000, u'\'') << "";
}

void tst_HostileInput::searchTakesTheAnswerAsText()
{
    QFETCH(QString, answer);
    QFETCH(QString, found);
    MainWindowFixture f;
    QVERIFY(f.start(Members));
    const QList<Row> before = readRows(f.path);

    f.dialogs.answerInput(answer);
    f.click("cmdSearch");
    if (found.isEmpty()) {
        QCOMPARE(f.titles(), QStringList{"Attention"});
        QCOMPARE(f.box("txtFDID")->text(), QStringLiteral("A100"));
    } else {
        QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.value(0).prompt));
        QCOMPARE(f.box("txtFDID")->text(), found);
        QCOMPARE(f.window->recordSet()->recordCount(), 1);
    }
    QCOMPARE(readRows(f.path), before);

    // The window still works: a search for everyone finds everyone.
    f.dialogs.answerInput(QString());
    f.click("cmdSearch");
    QCOMPARE(f.window->recordSet()->recordCount(), Members.size());
}

void tst_HostileInput::typedTextIsStoredAndShownBack_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("held"); // what the box shows after typing: upper-cased by its filter

    QTest::newRow("Cyrillic") << "txtLname" << 1 << "иванова" << "ИВАНОВА";
    QTest::newRow("Greek") << "txtFname" << 2 << "σοφία" << "ΣΟΦΊΑ";
    QTest::newRow("Hebrew, right to left") << "txtLname" << 1 << "כהן" << "כהן";
    QTest::newRow("Arabic with a mark") << "txtAssignTo" << 13 << "\u200fشريف 7" << "\u200fشريف 7";
    QTest::newRow("CJK") << "txtFname" << 2 << "李小龍" << "李小龍";
    QTest::newRow("emoji") << "txtAssignTo" << 13 << "🚒 engine 😀" << "🚒 ENGINE 😀";
    QTest::newRow("accents") << "txtLname" << 1 << "o'brien-núñez" << "O'BRIEN-NÚÑEZ";
    QTest::newRow("SQL punctuation") << "txtAssignTo" << 13 << "x'); drop table mt; --" << "X'); DROP TABLE MT; --";
    QTest::newRow("control characters") << "txtLname" << 1 << QStringLiteral("a\x01\x02\x1f") + QChar(0) + "b" << "AB";
    QTest::newRow("no filter on the date") << "txtYearTested" << 11 << "２０２６" << "２０２６";
}

void tst_HostileInput::typedTextIsStoredAndShownBack()
{
    QFETCH(QString, box);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, held);
    MainWindowFixture f;
    QVERIFY(f.start(Members));

    const QString boxText = saveWith(f, qPrintable(box), [&](QWidget* b) { typeCharacters(b, typed); });
    QCOMPARE(boxText, held);
    // A year in full-width digits is refused by the entry checks, as any non-number is.
    if (box == QLatin1String("txtYearTested")) {
        QCOMPARE(f.titles().size(), 1);
        QCOMPARE(readRows(f.path).size(), Members.size());
        return;
    }
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.value(0).prompt));
    const Row stored = readRows(f.path).constLast();
    QCOMPARE(stored.at(field).toString(), held);

    f.dialogs.answerInput(QStringLiteral("N900"));
    f.click("cmdSearch");
    QCOMPARE(f.shown(), stored);
}

void tst_HostileInput::pastedTextIsStoredAndShownBack_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("pasted");

    // Whole characters only: a surrogate pair cut in half is no text at all.
    QString huge = QStringLiteral("ABCD");
    while (huge.size() < 100000)
        huge += QStringLiteral("Åb日🚒'%_;-- ");
    QTest::newRow("100,000 characters into the last name") << "txtLname" << 1 << huge;
    QTest::newRow("lower case, right to left, emoji") << "txtAssignTo" << 13 << "ladder 7 שלום 😀";
    QTest::newRow("NUL and control characters") << "txtFname" << 2 << QStringLiteral("a") + QChar(0) + "b\x01\tc";
}

void tst_HostileInput::pastedTextIsStoredAndShownBack()
{
    QFETCH(QString, box);
    QFETCH(int, field);
    QFETCH(QString, pasted);
    MainWindowFixture f;
    QVERIFY(f.start(Members));

    const QString held = saveWith(f, qPrintable(box), [&](QWidget* b) { paste(b, pasted); });
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.value(0).prompt));
    QCOMPARE(held, pasted); // a paste passes no keystroke filter, and these boxes have no length limit
    const Row stored = readRows(f.path).constLast();
    QCOMPARE(stored.at(field).toString(), held); // the box's text, nothing more or less

    f.dialogs.answerInput(QStringLiteral("N900"));
    f.click("cmdSearch");
    QCOMPARE(f.shown(), stored);
}

// Ctrl+V, Shift+Insert and the context menu's Paste are one paste to the filters: the
// battalion box refuses each with its message and keeps what it held.
void tst_HostileInput::everyPasteMeetsTheRangeFilters()
{
    MainWindowFixture f;
    QVERIFY(f.start(Members));
    f.click("cmdAdd");
    QLineEdit* batt = f.box("txtBatt");
    QApplication::clipboard()->setText(QStringLiteral("9"));
    batt->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(batt, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(batt, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(batt->text(), QString());
    QCOMPARE(f.titles(), QStringList(2, QStringLiteral("Unit Input Error")));

    // The context menu's Paste takes the same way.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
            if (action->text().startsWith(QStringLiteral("&Paste")))
                action->trigger();
        }
        if (menu)
            menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2), batt->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(batt, &menuEvent);
    QTRY_COMPARE(f.dialogs.messages.size(), 3);
    QCOMPARE(batt->text(), QString());
}

QTEST_MAIN(tst_HostileInput)
#include "tst_hostileinput.moc"
