// Thousands of random keystrokes, clicks and focus changes on the records and query windows, the
// dialogs answered at random; after every step the windows and the file are in a state the program allows.
#include "mainwindowfixture.h"

#include <fieldboxes.h>
#include <frmquery.h>

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QSet>

using namespace vantor;
using namespace vantor::test;

namespace {

constexpr int Steps = 4000;

const QStringList MainButtons
    = {"cmdSearch", "cmdAdd", "cmdSave", "cmdEdit", "cmdUpdate", "cmdQuery", "cmdCancel", "cmdDelete", "cmdExit"};

// The enabled buttons of each mode (Cancel is always on), and whether the boxes are locked in it.
const QList<QPair<QSet<QString>, bool>> ModeTable = {
    {{"cmdSearch", "cmdAdd", "cmdEdit", "cmdQuery", "cmdExit"}, true}, // browse
    {{"cmdSearch", "cmdAdd", "cmdEdit", "cmdQuery", "cmdExit", "cmdDelete"}, true}, // after update or search
    {{"cmdSave", "cmdExit"}, false}, // entry
    {{"cmdUpdate", "cmdExit"}, false}, // edit
    {{"cmdSearch", "cmdAdd", "cmdEdit", "cmdUpdate", "cmdQuery", "cmdExit"}, true}, // after save
    {{"cmdSearch", "cmdAdd", "cmdEdit", "cmdUpdate", "cmdQuery", "cmdExit", "cmdDelete"}, true}, // after save, search
};

struct Keystroke {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

Keystroke randomKeystroke(QRandomGenerator& rng)
{
    static const QString printable
        = QStringLiteral("abcdefghijklmnopqrstuvwxyzATFO01234567890123456789TtTt '%_;-.,\"жé日");
    // Alt+J and Alt+S carry their letter, as the platform sends them: no box may take it.
    static const QStringList special = QStringLiteral("Backspace|Del|Tab|Shift+Backtab|Tab|Backspace|Return|Esc|Left|"
                                                      "Right|Home|Shift+End|Up|Down|Ctrl+V|Ctrl+C|Ctrl+X|Ctrl+A|"
                                                      "Ctrl+Z|Space|Shift+Ins|Alt+J|Alt+S")
                                           .split(u'|');
    if (rng.bounded(4) == 0) {
        const QString name = special.at(rng.bounded(int(special.size())));
        const QKeyCombination k = QKeySequence::fromString(name, QKeySequence::PortableText)[0];
        const QString text = name == u"Space" ? QStringLiteral(" ")
            : name.startsWith(u"Alt+")        ? name.right(1).toLower()
                                              : QString();
        return {k.key(), k.keyboardModifiers(), text};
    }
    const QChar c = printable.at(rng.bounded(int(printable.size())));
    const Qt::Key key = c.unicode() < 128 && c.isLetterOrNumber() ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
    return {key, Qt::NoModifier, QString(c)};
}

// A whole record the entry checks accept, typed box by box over what each held.
void typeWholeRecord(MainWindowFixture& f, QRandomGenerator& rng)
{
    const auto letters = [&rng](int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(u'a' + rng.bounded(26));
        return s;
    };
    const auto pick = [&rng](const QStringList& choices) {
        return choices.at(rng.bounded(int(choices.size())));
    };
    const QList<QPair<const char*, QString>> entries = {
        {"txtMonthTested", pick({"", "1", "12"})},
        {"txtDayTested", pick({"", "7", "28"})},
        {"txtYearTested", pick({"", "2025", "2026"})},
        {"txtTorF", pick({"", "t", " "})},
        {"txtAssignTo", pick({"", "hq " + letters(3)})},
        {"txtFDID", QString(QChar(u'a' + rng.bounded(26))) + QString::number(100 + rng.bounded(900))},
        {"txtRank", pick({"ff", "capt", "lt"})},
        {"txtKday", pick({"0", "3", "a"})},
        {"txtLname", letters(1 + rng.bounded(8))},
        {"txtFname", letters(1 + rng.bounded(6))},
        {"txtMid", pick({"", "q"})},
        {"txtBatt", QString::number(rng.bounded(8))},
        {"txtUnit", QString::number(rng.bounded(4))},
        {"txtAssign", "e-" + QString::number(rng.bounded(20))},
    };
    for (const auto& [name, text] : entries) {
        QLineEdit* box = f.box(name);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
}

} // namespace

class tst_RandomUse : public QObject
{
    Q_OBJECT

private slots:
    void windowsAndFileStayConsistent()
    {
        const quint32 seed = qEnvironmentVariableIsSet("VANTOR_FUZZ_SEED")
            ? qEnvironmentVariable("VANTOR_FUZZ_SEED").toUInt()
            : 20261205u;
        QRandomGenerator rng(seed);
        MainWindowFixture f;
        QVERIFY(f.start({validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B200")),
                         validRecord(QStringLiteral("C300"))}));
        f.dialogs.answerAtRandom(&rng,
                                 {QString(), QStringLiteral("A100"), QStringLiteral("B200"), QStringLiteral("Z999"),
                                  QStringLiteral("a100"), QStringLiteral("A100' OR '1'='1"), QStringLiteral("%")});
        const QStringList clips = {QStringLiteral("pasted text"), QStringLiteral("9"), QStringLiteral("T"),
                                   QStringLiteral("x'); DROP TABLE MT;--"), QString(300, u'Q')};

        QHash<QString, int> typingLimit;
        QStringList clicked;
        int restarts = 0, writes = 0, exports = 0;
        const auto wire = [&] {
            for (QLineEdit* box : f.window->findChildren<QLineEdit*>())
                typingLimit[box->objectName()] = box->maxLength();
            for (const QString& name : MainButtons)
                QObject::connect(f.button(qPrintable(name)), &QPushButton::clicked, f.window.get(),
                                 [&clicked, name] { clicked << name; });
        };
        wire();

        for (int step = 0; step < Steps; ++step) {
            const QString where = QStringLiteral("seed %1, step %2: ").arg(seed).arg(step);
            const QList<Row> before = readRows(f.path);
            clicked.clear();
            frmQuery* query = f.query();
            if (query) {
                query->setWorkbookOpener(
                    [&exports](const QUrl& file) { return ++exports && QFile::remove(file.toLocalFile()); });
                query->setWorkbookDirectory(f.dir.path());
            }
            QWidget* active = query ? static_cast<QWidget*>(query) : f.window.get();
            const quint32 action = rng.bounded(100);
            const bool entering = f.button("cmdSave")->isEnabled() || f.button("cmdUpdate")->isEnabled();
            if (!query && entering && action < 4) {
                typeWholeRecord(f, rng);
            } else if (action < 55) {
                const Keystroke k = randomKeystroke(rng);
                if (k.key == Qt::Key_V || k.key == Qt::Key_Insert)
                    QApplication::clipboard()->setText(clips.at(rng.bounded(int(clips.size()))));
                QWidget* target = active->focusWidget() ? active->focusWidget() : active;
                QTest::sendKeyEvent(QTest::Click, target, k.key, k.text, k.modifiers);
            } else if (action < 70 && !query) {
                // By the mouse, or by tabbing, which selects the text of the box it reaches.
                if (rng.bounded(2)) {
                    QTest::mouseClick(f.box(FieldBoxes.at(rng.bounded(int(FieldBoxes.size()))).box), Qt::LeftButton);
                } else {
                    const bool back = rng.bounded(4) == 0;
                    for (int n = 1 + rng.bounded(8); n > 0; --n) {
                        QWidget* from = f.window->focusWidget() ? f.window->focusWidget() : f.window.get();
                        QTest::keyClick(from, back ? Qt::Key_Backtab : Qt::Key_Tab,
                                        back ? Qt::ShiftModifier : Qt::NoModifier);
                    }
                }
            } else if (!query) {
                // Add and Edit often, Exit seldom: most time is spent with the boxes open to typing.
                static const QStringList weighted
                    = MainButtons + QStringList{"cmdAdd", "cmdAdd", "cmdEdit", "cmdEdit", "cmdSave", "cmdUpdate"};
                const QString name = weighted.at(rng.bounded(int(weighted.size())));
                if (name != QLatin1String("cmdExit") || rng.bounded(3) == 0)
                    QTest::mouseClick(f.button(qPrintable(name)), Qt::LeftButton);
            } else {
                const quint32 pick = rng.bounded(10);
                if (pick < 6) {
                    clickEntry(query, int(rng.bounded(5)));
                } else {
                    QTest::mouseClick(query->findChild<QPushButton*>(pick < 9 ? QStringLiteral("cmdPrint")
                                                                              : QStringLiteral("cmdReturn")),
                                      Qt::LeftButton);
                }
            }

            // Exit answered Yes ends the program; the clerk starts it again.
            if (!f.window->isVisible()) {
                QVERIFY2(f.load(), qPrintable(where));
                wire();
                ++restarts;
            }

            // The boxes: within their typing limits, the filtered ones holding only what their filters let through.
            static const QList<QPair<const char*, QRegularExpression>> filters
                = {{"txtTorF", QRegularExpression(QStringLiteral("^[T ]?$"))},
                   {"txtBatt", QRegularExpression(QStringLiteral("^[0-7 ]?$"))},
                   {"txtUnit", QRegularExpression(QStringLiteral("^[0-3 ]?$"))}};
            QSet<bool> locked;
            for (QLineEdit* box : f.window->findChildren<QLineEdit*>()) {
                QVERIFY2(box->text().size() <= typingLimit.value(box->objectName()),
                         qPrintable(where + box->objectName()));
                locked << box->isReadOnly();
            }
            for (const auto& [name, filter] : filters)
                QVERIFY2(filter.match(f.box(name)->text()).hasMatch(), qPrintable(where + f.box(name)->text()));
            // Typed, pasted or stored, the upper-case boxes' letters are capitals: every record the file holds was
            // typed.
            static const QRegularExpression noLowerCase(QStringLiteral("^\\P{Ll}*$"));
            for (const char* name :
                 {"txtFDID", "txtRank", "txtKday", "txtLname", "txtFname", "txtMid", "txtAssign", "txtAssignTo"})
                QVERIFY2(noLowerCase.match(f.box(name)->text()).hasMatch(), qPrintable(where + f.box(name)->text()));

            // The buttons: one of the sets of the mode table, with the boxes locked as that state has them.
            QSet<QString> enabled;
            for (const QString& name : MainButtons) {
                if (f.button(qPrintable(name))->isEnabledTo(f.window.get()))
                    enabled << name;
            }
            QVERIFY2(enabled.remove(QStringLiteral("cmdCancel")), qPrintable(where));
            QCOMPARE(locked.size(), 1);
            const bool known = std::any_of(ModeTable.cbegin(), ModeTable.cend(), [&](const auto& mode) {
                return mode.first == enabled && mode.second == *locked.cbegin();
            });
            QVERIFY2(known, qPrintable(where + QStringList(enabled.cbegin(), enabled.cend()).join(u' ')));

            // The file: changed only by Save, Update and Delete, and only by what the window shows.
            const QList<Row> after = readRows(f.path);
            if (after != before) {
                QCOMPARE(clicked.size(), 1);
                const QString button = clicked.constFirst();
                if (button == QLatin1String("cmdSave")) {
                    QCOMPARE(after, before + QList<Row>{f.shown()});
                } else if (button == QLatin1String("cmdUpdate")) {
                    QCOMPARE(after.size(), before.size());
                    QVERIFY2(after.contains(f.shown()), qPrintable(where));
                    int changed = 0;
                    for (qsizetype i = 0; i < after.size(); ++i)
                        changed += after.at(i) != before.at(i);
                    QCOMPARE(changed, 1);
                } else {
                    QCOMPARE(button, QStringLiteral("cmdDelete"));
                    QCOMPARE(after.size(), before.size() - 1);
                    QVERIFY2(
                        std::all_of(after.cbegin(), after.cend(), [&](const Row& r) { return before.contains(r); }),
                        qPrintable(where));
                }
                ++writes;
            }
        }

        // The only failure allowed is "no current record" (after a search that found nothing).
        int reports = 0;
        for (const MessageBox& box : f.dialogs.messages) {
            reports += box.icon == MsgIcon::Critical;
            QVERIFY2(box.icon != MsgIcon::Critical || box.prompt.contains(QStringLiteral("3021")),
                     qPrintable(box.prompt));
        }
        qInfo("seed %u: %d steps, %lld boxes answered, %d writes, %d exports, %d restarts, %d reports of no current "
              "record",
              seed, Steps, qlonglong(f.dialogs.messages.size() + f.dialogs.inputs.size()), writes, exports, restarts,
              reports);
    }
};

QTEST_MAIN(tst_RandomUse)
#include "tst_randomuse.moc"
