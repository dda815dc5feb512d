// The History window as a clerk reaches and reads it: from the records window's menu bar, by
// keyboard, on both engines; a change made in the window and one made with psql or sqlite3.
#include "historysupport.h"

#include "../fittests/fittestsupport.h"
#include "mainwindowfixture.h"

#include <frmhistory.h>

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTableView>

using namespace vantor;

namespace {

frmHistory* activeHistory()
{
    frmHistory* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&found] {
            found = qobject_cast<frmHistory*>(QApplication::activeWindow());
            return found != nullptr;
        },
        5000);
    return shown ? found : nullptr;
}

void keys(QWidget* window, std::initializer_list<QKeyCombination> combinations)
{
    for (const QKeyCombination k : combinations)
        QTest::keyClick(window->windowHandle(), k.key(), k.keyboardModifiers());
}

QString cell(QTableView* grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

// The letter after '&' in a caption: the access key it gives.
QChar accessKey(const QString& caption)
{
    const qsizetype at = caption.indexOf(u'&');
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toUpper() : QChar();
}

} // namespace

class tst_HistoryWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::MainWindowFixture> f;

private slots:
    void init() { f = std::make_unique<test::MainWindowFixture>(); }
    void cleanup() { f.reset(); }

    // Edit and Update in the window, then the same record changed with the shell: the window
    // lists both, newest first, with who made them, when, and the fields before and after.
    void showsWhoChangedWhatAndWhen()
    {
        test::Row record = test::validRecord(QStringLiteral("A100"));
        QVERIFY(f->start({record}));
        keys(f->window.get(), {Qt::ALT | Qt::Key_E});
        f->type("txtLname", QStringLiteral("<End>S"));
        f->dialogs.answer(MsgResult::Yes);
        keys(f->window.get(), {Qt::ALT | Qt::Key_U});
        QTRY_COMPARE(test::readRows(f->path).first().at(1).toString(), "EVANSS");
        const auto [status, output]
            = test::shell(f->path, QStringLiteral(R"(UPDATE "MT" SET "Rank" = 'LT' WHERE "ID" = 'A100')"));
        QVERIFY2(status == 0, qPrintable(output));

        keys(f->window.get(), {Qt::CTRL | Qt::Key_H});
        frmHistory* window = activeHistory();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), "History - A100 EVANSS, ED");
        auto* grid = window->findChild<QTableView*>(QStringLiteral("dgHistory"));
        QCOMPARE(grid->model()->rowCount(), 3); // the record's first entry, as the test made it, and two changes
        QCOMPARE(cell(grid, 0, 3) + u'|' + cell(grid, 0, 4), QStringLiteral("Changed|Rank: FF \u2192 LT"));
        QCOMPARE(cell(grid, 1, 1) + u'|' + cell(grid, 1, 4),
                 test::ourWriter(f->path) + QStringLiteral("|Last Name: EVANS \u2192 EVANSS"));
        QCOMPARE(cell(grid, 0, 1), test::onServer() ? test::ourWriter(f->path) : QStringLiteral("(outside Vantor)"));
        const QDateTime shown = QDateTime::fromString(cell(grid, 1, 0), QStringLiteral("MM/dd/yyyy HH:mm:ss"));
        QVERIFY2(qAbs(shown.secsTo(QDateTime::currentDateTime())) < 120, qPrintable(cell(grid, 1, 0)));
        QCOMPARE(cell(grid, 2, 3), "Added");

        auto* details = window->findChild<QPlainTextEdit*>(QStringLiteral("txtChanges"));
        QVERIFY(details->toPlainText().contains(QStringLiteral("Rank: FF \u2192 LT")));
        QTest::keyClick(grid, Qt::Key_Down);
        QVERIFY2(details->toPlainText().contains(QStringLiteral("Last Name: EVANS \u2192 EVANSS")),
                 qPrintable(details->toPlainText()));
        QVERIFY(details->toPlainText().contains(u"UTC"));

        keys(window, {Qt::Key_Escape});
        QTRY_COMPARE(QApplication::activeWindow(), f->window.get());
        // The menu's way there: Alt+H, then R.
        keys(f->window.get(), {Qt::ALT | Qt::Key_H});
        QMenu* menu = nullptr;
        QVERIFY(QTest::qWaitFor([&menu] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
        QTest::keyClick(menu, Qt::Key_R);
        QVERIFY((window = activeHistory()));
        keys(window, {Qt::ALT | Qt::Key_C});
        QTRY_COMPARE(QApplication::activeWindow(), f->window.get());
    }

    // Every control the keyboard reaches has a name of its own, Tab goes round them in order, and
    // none of the bar's keys is one the form or the other menu has taken.
    void keyboardFirst()
    {
        QVERIFY(f->start({test::validRecord(QStringLiteral("A100"))}));
        QList<QChar> taken, history;
        for (QPushButton* button : f->window->findChildren<QPushButton*>())
            taken << accessKey(button->text());
        auto* bar = f->window->findChild<QMenuBar*>(QStringLiteral("mnuMain"));
        for (QAction* menu : bar->actions()) {
            QList<QChar>& keysOf = menu->menu()->objectName() == u"mnuHistory" ? history : taken;
            keysOf << accessKey(menu->text());
            for (QAction* item : menu->menu()->actions())
                keysOf << accessKey(item->text());
        }
        QCOMPARE(history, (QList<QChar>{u'H', u'R'}));
        for (const QChar key : std::as_const(history))
            QVERIFY2(!taken.contains(key), qPrintable(QStringLiteral("%1 is taken already").arg(key)));

        keys(f->window.get(), {Qt::CTRL | Qt::Key_H});
        frmHistory* window = activeHistory();
        QVERIFY(window);
        QStringList names;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (control->focusPolicy() & Qt::TabFocus && control->isVisibleTo(window)
                && !control->inherits("QScrollBar")) {
                const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
                QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
                names << name;
            }
        }
        QCOMPARE(names.size(), 3);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QCOMPARE(QApplication::focusWidget()->objectName(), "dgHistory");
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            keys(window, {Qt::Key_Tab});
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"txtChanges", "cmdClose", "dgHistory"}));
        // The details take no typing.
        keys(window, {Qt::Key_Tab});
        const QString text = window->findChild<QPlainTextEdit*>(QStringLiteral("txtChanges"))->toPlainText();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("xyz"));
        QCOMPARE(window->findChild<QPlainTextEdit*>(QStringLiteral("txtChanges"))->toPlainText(), text);
    }

    // While a record is being entered, and where no record is current, the window does not open;
    // the clerk is told why in the second case.
    void onlyForTheRecordShown()
    {
        QVERIFY(f->start({test::validRecord(QStringLiteral("A100"))}));
        keys(f->window.get(), {Qt::ALT | Qt::Key_A});
        keys(f->window.get(), {Qt::CTRL | Qt::Key_H});
        QTest::qWait(200);
        QCOMPARE(QApplication::activeWindow(), f->window.get());
        QVERIFY(f->dialogs.messages.isEmpty());
        f->dialogs.answer(MsgResult::Yes);
        f->click("cmdCancel");
        f->dialogs.answerInput(QStringLiteral("Z999"));
        f->click("cmdSearch");
        f->dialogs.messages.clear();
        keys(f->window.get(), {Qt::CTRL | Qt::Key_H});
        QTRY_COMPARE(f->titles(), QStringList{"History"});
        QCOMPARE(f->dialogs.messages.first().icon, MsgIcon::Exclamation);
        QVERIFY(f->dialogs.messages.first().prompt.startsWith(u"No member's record is current"));
    }

    // Records of an earlier version: a file gains its history when opened; on a server the
    // clerk is told what the owner runs, and the records window goes on as before.
    void earlierRecords()
    {
        f->path = test::earlierRecords(f->dir.path());
        QVERIFY(f->load());
        keys(f->window.get(), {Qt::CTRL | Qt::Key_H});
        if (test::onServer()) {
            QTRY_COMPARE(f->titles(), QStringList{"History"});
            QCOMPARE(f->dialogs.messages.first().icon, MsgIcon::Critical);
            QVERIFY(f->dialogs.messages.first().prompt.contains(QStringLiteral("vantor --upgrade-database")));
            QCOMPARE(QApplication::activeWindow(), f->window.get());
        } else {
            frmHistory* window = activeHistory();
            QVERIFY(window);
            auto* grid = window->findChild<QTableView*>(QStringLiteral("dgHistory"));
            QCOMPARE(grid->model()->rowCount(), 1);
            QCOMPARE(cell(grid, 0, 3), "History begins");
        }
    }
};

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
