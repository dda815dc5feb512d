// What a clerk may type or paste: SQL punctuation, wildcards, very long texts, any script,
// emoji, control characters. Nothing crashes, and what is stored is exactly what the box held.
// What a search's answer may hold is in tst_recordops.
#include "mainwindowfixture.h"

#include <QApplication>
#include <QClipboard>

using namespace vantor;
using namespace vantor::test;

namespace {

const QList<Row> Members = {validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B'2%")),
                            validRecord(QStringLiteral("C_3;")), validRecord(QStringLiteral("D--4"))};

} // namespace

class tst_HostileInput : public QObject
{
    Q_OBJECT

private slots:
    void enteredTextIsStoredAndShownBack_data()
    {
        QTest::addColumn<bool>("pasted"); // by Ctrl+V, rather than one key per character
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("held"); // empty: refused by the entry checks

        const auto typed = [](const char* name, const char* box, int field, const QString& entered, const char* held) {
            QTest::newRow(name) << false << QString::fromUtf8(box) << field << entered << QString::fromUtf8(held);
        };
        typed("Cyrillic", "txtLname", 1, "иванова", "ИВАНОВА");
        typed("Greek", "txtFname", 2, "σοφία", "ΣΟΦΊΑ");
        typed("Hebrew, right to left", "txtLname", 1, "כהן", "כהן");
        typed("Arabic with a mark", "txtAssignTo", 13, "\u200fشريف 7", "\u200fشريف 7");
        typed("CJK", "txtFname", 2, "李小龍", "李小龍");
        typed("emoji", "txtAssignTo", 13, "🚒 engine 😀", "🚒 ENGINE 😀");
        typed("accents", "txtLname", 1, "o'brien-núñez", "O'BRIEN-NÚÑEZ");
        typed("SQL punctuation", "txtAssignTo", 13, "x'); drop table mt; --", "X'); DROP TABLE MT; --");
        typed("control characters", "txtLname", 1, QStringLiteral("a\x01\x02\x1f") + QChar(0) + "b", "AB");
        typed("full-width year", "txtYearTested", 11, "２０２６", "");
        QString huge = QStringLiteral("ABCD"), hugeHeld = huge; // whole characters: half a surrogate pair is no text
        while (huge.size() < 100000) {
            huge += QStringLiteral("Åb日🚒'%_;-- ");
            hugeHeld += QStringLiteral("ÅB日🚒'%_;-- ");
        }
        QTest::newRow("pasted 100,000 characters") << true << "txtLname" << 1 << huge << hugeHeld;
        QTest::newRow("pasted lower case, RTL, emoji") << true << "txtAssignTo" << 13 << "ladder 7 שלום 😀"
                                                       << "LADDER 7 שלום 😀";
        // No key types a control character into a box, and a paste is typed.
        const QString controls = QStringLiteral("a") + QChar(0) + "b\x01\tc\r\n";
        QTest::newRow("pasted NUL and controls") << true << "txtFname" << 2 << controls << "ABC";
    }

    void enteredTextIsStoredAndShownBack()
    {
        QFETCH(bool, pasted);
        QFETCH(QString, box);
        QFETCH(int, field);
        QFETCH(QString, entered);
        QFETCH(QString, held);
        MainWindowFixture f;
        QVERIFY(f.start(Members));
        f.click("cmdAdd");
        f.fill(validRecord(QStringLiteral("N900")));
        QLineEdit* b = f.box(qPrintable(box));
        b->clear();
        b->setFocus(Qt::MouseFocusReason);
        if (pasted) {
            QApplication::clipboard()->setText(entered);
            QTest::keyClick(b, Qt::Key_V, Qt::ControlModifier);
        } else { // one key per character, surrogate pairs included, as an input method sends them
            for (const char32_t code : entered.toUcs4()) {
                const bool plain = code < 128 && QChar(code).isLetterOrNumber();
                QTest::sendKeyEvent(QTest::Click, b, plain ? Qt::Key(QChar(code).toUpper().unicode()) : Qt::Key_unknown,
                                    QString::fromUcs4(&code, 1), Qt::NoModifier);
            }
        }
        f.click("cmdSave");
        if (held.isEmpty()) { // a year in full-width digits is no number to the entry checks
            QCOMPARE(f.titles().size(), 1);
            QVERIFY(!entered.contains(QChar(0)) || f.dialogs.messages.first().prompt.contains(u"NUL"));
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

    // Ctrl+V, Shift+Insert and the context menu's Paste are one paste to the filters: the
    // battalion box refuses each with its message and keeps what it held.
    void everyPasteMeetsTheRangeFilters()
    {
        MainWindowFixture f;
        QVERIFY(f.start(Members));
        f.click("cmdAdd");
        QApplication::clipboard()->setText(QStringLiteral("9"));
        f.type("txtBatt", QStringLiteral("<Ctrl+V><Shift+Ins><menu>"));
        QCOMPARE(f.box("txtBatt")->text(), QString());
        QCOMPARE(f.titles(), QStringList(3, QStringLiteral("Unit Input Error")));
    }
};

QTEST_MAIN(tst_HostileInput)
#include "tst_hostileinput.moc"
