// The records window as a clerk drives it, and what a user sees of the two windows' layout:
// every control in its place without hiding another, every caption readable, and the
// keyboard reaching every control as drawn.
#include "mainwindowfixture.h"

#include <frmquery.h>
#include <masktest.h>

#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QWindow>

#include <algorithm>

using namespace vantor;
using test::Row;

namespace {

const QString Browse = QStringLiteral("cmdSearch cmdAdd cmdEdit cmdQuery cmdCancel cmdExit");
const Row Empty(14, QString());

bool storeConnectionsOpen()
{
    const QStringList names = QSqlDatabase::connectionNames();
    return std::any_of(names.begin(), names.end(), [](const QString& n) { return n.startsWith(u"vantor-"); });
}

void verifyQuestion(const QList<MessageBox>& shown, const QString& prompt, const QString& title)
{
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().prompt, prompt);
    QCOMPARE(shown.first().title, title);
    QCOMPARE(shown.first().buttons, MsgButtons::YesNo);
    QCOMPARE(shown.first().icon, MsgIcon::Question);
    QCOMPARE(shown.first().defaultButton, MsgResult::Yes);
}

QList<QWidget*> controls(QWidget* window)
{
    QList<QWidget*> all;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Inner parts of composite controls (a grid's viewport, a list's scroll bars) are Qt's to place.
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_") && !w->isWindow()
            && w->isVisibleTo(window))
            all << w;
    }
    return all;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<test::MainWindowFixture>(); }
    void cleanup()
    {
        if (f->query())
            f->query()->close();
        f.reset();
    }
    void startsOnTheFirstRecordInIdOrder_data()
    {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<Row>("shown");
        QMap<QString, QVariant> first;
        for (const QString& field : masktest::fieldNames())
            first.insert(field, field.toUpper() + QStringLiteral(" 1"));
        first.insert(QStringLiteral("ID"), QStringLiteral("A100"));
        for (const char* nulled : {"Init", "Special", "AssignTo"})
            first.remove(QString::fromLatin1(nulled));
        Row shown = test::row(first);
        for (QVariant& v : shown)
            v = v.toString();
        QTest::newRow("empty table") << QList<Row>{} << Empty;
        QTest::newRow("three") << QList<Row>{test::row({{"ID", "C300"}}), test::row(first), test::row({{"ID", "B200"}})}
                               << shown;
    }
    void startsOnTheFirstRecordInIdOrder()
    {
        QFETCH(QList<Row>, rows);
        QVERIFY(f->start(rows));
        QVERIFY(f->dialogs.messages.isEmpty());
        QTEST(f->shown(), "shown");
        for (QLineEdit* box : f->window->findChildren<QLineEdit*>())
            QCOMPARE(box->selectedText(), box->text());
        QVERIFY(boxesAre(true));
        QCOMPARE(enabledButtons(), Browse);
    }
    // Enter and the keypad's Enter click the button that has the focus, as Space does.
    void addEmptiesAndEditKeepsTheText_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("Add, Enter") << "cmdAdd" << QString("cmdSave cmdCancel cmdExit");
        QTest::newRow("Edit, keypad Enter") << "cmdEdit" << QString("cmdUpdate cmdCancel cmdExit");
    }
    void addEmptiesAndEditKeepsTheText()
    {
        QFETCH(QString, mode);
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Rank", "CAPTAIN"}})}));
        const Row before = f->shown();
        press(mode, mode == u"cmdAdd" ? "Return" : "Num+Enter");
        QTEST(enabledButtons(), "buttons");
        QCOMPARE(f->shown(), mode == u"cmdAdd" ? Empty : before);
        QVERIFY(boxesAre(false));
        QCOMPARE(QApplication::focusWidget(), f->box("txtMonthTested"));
        QVERIFY(f->dialogs.messages.isEmpty());
    }
    void cancel_data()
    {
        QTest::addColumn<QString>("mode"); // the button that set the mode, or none for browse mode
        QTest::addColumn<bool>("yes");
        for (const char* mode : {"", "cmdAdd", "cmdEdit"}) {
            QTest::addRow("%s Yes", *mode ? mode : "browse") << QString::fromLatin1(mode) << true;
            QTest::addRow("%s No", *mode ? mode : "browse") << QString::fromLatin1(mode) << false;
        }
    }
    void cancel()
    {
        QFETCH(QString, mode);
        QFETCH(bool, yes);
        QVERIFY(f->start({test::row({{"ID", "B200"}}), test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        const QList<Row> stored = test::readRows(f->path);
        if (mode.isEmpty())
            f->button("cmdDelete")->setEnabled(true); // as a search leaves it
        else
            f->click(qPrintable(mode));
        const bool locked = f->box("txtLname")->isReadOnly();
        if (!locked)
            f->type("txtLname", QStringLiteral("X"));
        const Row shown = f->shown();
        const QString buttons = enabledButtons();

        f->dialogs.answer(yes ? MsgResult::Yes : MsgResult::No);
        press(QStringLiteral("cmdCancel"), yes ? "" : "Return");
        verifyQuestion(f->dialogs.messages, QStringLiteral("Do you wish to cancel this operation?"),
                       QStringLiteral("Cancel"));
        QCOMPARE(enabledButtons(), yes ? Browse : buttons);
        QVERIFY(boxesAre(yes || locked));
        // Cancel neither writes nor reads back: the boxes keep what they hold.
        QCOMPARE(f->shown(), shown);
        QCOMPARE(test::readRows(f->path), stored);
        QCOMPARE(f->window->recordSet()->value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
    }
    void exit_data()
    {
        QTest::addColumn<int>("answer"); // -1: the close box
        QTest::newRow("Exit, Yes") << int(MsgResult::Yes);
        QTest::newRow("Exit, No") << int(MsgResult::No);
        QTest::newRow("close box") << -1;
    }
    void exit()
    {
        QFETCH(int, answer);
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        const Row shown = f->shown();
        if (answer < 0) {
            f->window->close();
            QVERIFY(f->dialogs.messages.isEmpty());
        } else {
            f->dialogs.answer(MsgResult(answer));
            press(QStringLiteral("cmdExit"), answer == int(MsgResult::No) ? "Return" : "");
            verifyQuestion(f->dialogs.messages, QStringLiteral("Are you sure you want to quit?"),
                           QStringLiteral("Exit"));
        }
        const bool stays = answer == int(MsgResult::No);
        QCOMPARE(f->window->isVisible(), stays);
        QCOMPARE(f->window->recordSet() != nullptr, stays);
        QCOMPARE(storeConnectionsOpen(), stays);
        if (stays) {
            QCOMPARE(f->shown(), shown);
            QCOMPARE(enabledButtons(), Browse);
            QVERIFY(boxesAre(true));
        }
    }

    void controlsFitTheirFramesAndCaptions_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("records window") << false;
        QTest::newRow("query window") << true;
    }
    void controlsFitTheirFramesAndCaptions()
    {
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        QFETCH(bool, query);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        const QList<QWidget*> all = controls(window);
        int measured = 0;
        for (QWidget* w : all) {
            const QString name = w->objectName();
            // A frame's contents lie below its caption, inside its border.
            QVERIFY2(w->parentWidget()->contentsRect().contains(w->geometry()), qPrintable(name));
            for (QWidget* other : all) {
                if (other == w || other->parentWidget() != w->parentWidget())
                    continue;
                // Frames drawn edge to edge share their one-pixel border line.
                const QRect shared = w->geometry().intersected(other->geometry());
                const bool borderLine = qobject_cast<QGroupBox*>(w) && qobject_cast<QGroupBox*>(other)
                    && std::min(shared.width(), shared.height()) <= 1;
                QVERIFY2(shared.isEmpty() || borderLine, qPrintable(name + u' ' + other->objectName()));
            }
            if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
                const QRect needed = label->fontMetrics().boundingRect(
                    label->contentsRect(), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                    label->text());
                QVERIFY2(label->contentsRect().contains(needed),
                         qPrintable(name + QStringLiteral(" needs %1 x %2").arg(needed.width()).arg(needed.height())));
            } else if (auto* frame = qobject_cast<QGroupBox*>(w); frame && !frame->title().isEmpty()) {
                QVERIFY2(frame->minimumSizeHint().width() <= frame->width(), qPrintable(name));
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(name));
            } else {
                continue;
            }
            ++measured;
        }
        // Twenty labels and frame captions and nine buttons; the query window's four labels and two buttons.
        QCOMPARE(measured, query ? 6 : 29);
    }

    // Both windows keep the size they were drawn at: the window manager is asked for no
    // maximise button, which could only do nothing. The records window can still be minimised.
    void fixedSizeWindowsAskForNoMaximiseButton_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("records window") << false;
        QTest::newRow("query window") << true;
    }
    void fixedSizeWindowsAskForNoMaximiseButton()
    {
        QVERIFY(f->start({test::row({{"ID", "A100"}})}));
        QFETCH(bool, query);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        const Qt::WindowFlags flags = window->windowHandle()->flags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
        QCOMPARE(bool(flags & Qt::WindowMinimizeButtonHint), !query);
        // Unless told which buttons it has, a plain window gets every one from the platform.
        QVERIFY(window->windowType() != Qt::Window || (flags & Qt::CustomizeWindowHint));
    }

    void tabRunsThroughBoxesThenButtons()
    {
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        const QStringList order{"txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF",       "txtAssignTo",
                                "txtFDID",        "txtRank",      "txtKday",       "txtLname",      "txtFname",
                                "txtMid",         "txtBatt",      "txtUnit",       "txtAssign",     "cmdDelete",
                                "cmdCancel",      "cmdSearch",    "cmdAdd",        "cmdSave",       "cmdEdit",
                                "cmdUpdate",      "cmdQuery",     "cmdExit",       "txtMonthTested"};
        for (QPushButton* b : f->window->findChildren<QPushButton*>())
            b->setEnabled(true); // a disabled button is skipped
        f->box("txtMonthTested")->setFocus();
        QStringList visited{QApplication::focusWidget()->objectName()};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }

    void accessKeysClickTheirEnabledButton_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("tooltip");
        const auto rows = [](bool query, std::initializer_list<std::tuple<const char*, Qt::Key, const char*>> keys) {
            for (const auto& [name, key, tooltip] : keys)
                QTest::newRow(name) << query << int(key) << QString::fromUtf8(tooltip);
        };
        rows(false,
             {{"cmdSearch", Qt::Key_S, "Click to look up personnel by FDID"},
              {"cmdAdd", Qt::Key_A, "Click to add a new record"},
              {"cmdSave", Qt::Key_V, "Click to save a new record"},
              {"cmdEdit", Qt::Key_E, "Click to make changes to a record"},
              {"cmdUpdate", Qt::Key_U, "Click to save changes made to a record"},
              {"cmdQuery", Qt::Key_Q, "Click to open a query"},
              {"cmdDelete", Qt::Key_D, "Click to erase a record"},
              {"cmdExit", Qt::Key_X, "Click to close the program"}});
        rows(true,
             {{"cmdPrint", Qt::Key_S, "Click to send info to Excel"},
              {"cmdReturn", Qt::Key_C, "Click to return to main form"}});
    }
    void accessKeysClickTheirEnabledButton()
    {
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        QFETCH(bool, query);
        QFETCH(int, key);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        auto* target = window->findChild<QPushButton*>(QString::fromLatin1(QTest::currentDataTag()));
        QTEST(target->toolTip(), "tooltip");
        for (int answer = 0; answer < 4; ++answer)
            f->dialogs.answer(MsgResult::No);
        QList<std::pair<QPushButton*, std::shared_ptr<QSignalSpy>>> presses;
        for (QPushButton* b : window->findChildren<QPushButton*>())
            presses.append({b, std::make_shared<QSignalSpy>(b, &QPushButton::pressed)});

        // Disabled, its key reaches no button; enabled, it reaches this one alone.
        target->setEnabled(false);
        QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
        for (const auto& [b, spy] : presses)
            QVERIFY2(spy->isEmpty(), qPrintable(b->objectName()));
        target->setEnabled(true);
        QSignalSpy clicks(target, &QPushButton::clicked);
        QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
        for (const auto& [b, spy] : presses)
            QCOMPARE(spy->size(), b == target ? 1 : 0);
        QTRY_COMPARE(clicks.size(), 1);
    }
    // A fast typist's Alt+A, Alt+S: Add has disabled Search before its key is read, so no search
    // runs in entry mode, however soon after the first the second key comes.
    void accessKeyOfAButtonTheLastCommandDisabledDoesNothing()
    {
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        QTest::keyClick(f->window.get(), Qt::Key_A, Qt::AltModifier);
        QTest::keyClick(f->window.get(), Qt::Key_S, Qt::AltModifier);
        QTest::qWait(300); // past QPushButton's own delayed click
        QVERIFY(f->dialogs.inputs.isEmpty());
        QVERIFY(f->button("cmdSave")->isEnabled());
        QVERIFY(!f->button("cmdDelete")->isEnabled());
        QCOMPARE(f->box("txtLname")->text(), "");
    }

private:
    // Clicks the button, or presses `key` while it has the focus.
    void press(const QString& button, const char* key)
    {
        if (!*key)
            return f->click(qPrintable(button));
        f->button(qPrintable(button))->setFocus(Qt::TabFocusReason);
        const QKeyCombination k = QKeySequence::fromString(QLatin1String(key), QKeySequence::PortableText)[0];
        QTest::keyClick(f->window->windowHandle(), k.key(), k.keyboardModifiers());
    }
    QString enabledButtons() const
    {
        QStringList on;
        for (const char* name : {"cmdSearch", "cmdAdd", "cmdSave", "cmdEdit", "cmdUpdate", "cmdQuery", "cmdCancel",
                                 "cmdDelete", "cmdExit"}) {
            if (f->button(name)->isEnabled())
                on << QString::fromLatin1(name);
        }
        return on.join(u' ');
    }
    bool boxesAre(bool locked) const
    {
        const QColor colour = locked ? QColor(128, 255, 128) : QColor(255, 255, 255);
        for (QLineEdit* box : f->window->findChildren<QLineEdit*>()) {
            if (box->isReadOnly() != locked || box->palette().color(QPalette::Base) != colour)
                return false;
        }
        return true;
    }
    std::unique_ptr<test::MainWindowFixture> f;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
