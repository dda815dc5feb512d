#include "mainwindowfixture.h"

#include <masktest.h>

#include <QSqlDatabase>

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

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<test::MainWindowFixture>(); }
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
    void addEmptiesAndEditKeepsTheText_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("Add") << "cmdAdd"
                             << "cmdSave cmdCancel cmdExit";
        QTest::newRow("Edit") << "cmdEdit"
                              << "cmdUpdate cmdCancel cmdExit";
    }
    void addEmptiesAndEditKeepsTheText()
    {
        QFETCH(QString, mode);
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}, {"Rank", "CAPTAIN"}})}));
        const Row before = f->shown();
        f->box("txtAssign")->setFocus();
        f->click(qPrintable(mode));
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
        f->click("cmdCancel");
        verifyQuestion(f->dialogs.messages, QStringLiteral("Do you wish to cancel this operation?"),
                       QStringLiteral("Cancel"));
        QCOMPARE(enabledButtons(), yes ? Browse : buttons);
        QVERIFY(boxesAre(yes || locked));
        // Cancel neither writes nor reads back: the boxes keep what they hold.
        QCOMPARE(f->shown(), shown);
        QCOMPARE(test::readRows(f->path), stored);
        QCOMPARE(f->window->recordSet()->value(QStringLiteral("ID")).toString(), QStringLiteral("A100"));
    }
    // Enter clicks the button that has the focus, as Space does.
    void enterClicksTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("after"); // the title of the question asked, else the buttons enabled
        const QList<std::array<const char*, 4>> rows = {
            {"Add", "cmdAdd", "Return", "cmdSave cmdCancel cmdExit"},
            {"Edit, keypad Enter", "cmdEdit", "Num+Enter", "cmdUpdate cmdCancel cmdExit"},
            {"Cancel", "cmdCancel", "Return", "Cancel"},
            {"Exit", "cmdExit", "Return", "Exit"},
        };
        for (const auto& [name, button, key, after] : rows)
            QTest::newRow(name) << button << key << after;
    }
    void enterClicksTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(QString, key);
        QVERIFY(f->start({test::row({{"ID", "A100"}})}));
        f->dialogs.answer(MsgResult::No);
        f->button(qPrintable(button))->setFocus(Qt::TabFocusReason);
        const QKeyCombination enter = QKeySequence::fromString(key, QKeySequence::PortableText)[0];
        QTest::keyClick(f->window->windowHandle(), enter.key(), enter.keyboardModifiers());
        QTEST(f->titles().isEmpty() ? enabledButtons() : f->titles().join(u' '), "after");
        QVERIFY(f->window->isVisible());
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
            f->click("cmdExit");
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

private:
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
