#include "mainwindowfixture.h"
#include "xlsxcontent.h"

#include <frmquery.h>
#include <masktest.h>

#include <QAbstractItemModel>
#include <QFile>
#include <QListWidget>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <qpa/qwindowsysteminterface.h>

#include <algorithm>

using namespace vantor;
using test::row;

namespace {

// Members of every kind the lists tell apart: this year ("now"), last year ("last"), a null
// ("~") and an empty year; Special "T", blank, empty and null; units 0 to 3 and none.
QList<test::Row> members()
{
    const QString now = test::storeYear(), last = QString::number(now.toInt() - 1);
    const char* const table[] = {"A001|1|2|E-5|last|~|~",    "A002|1|1|L-3|~||~",           "A003|1|1|E-2|| |~",
                                 "A004|1|1|E-1|now|~|~",     "A005|1|3|E-7|last|T|ACADEMY", "A006|2|3|E-9|~|~|~",
                                 "A007|2|3|E-8|now|T|ARSON", "A008|3|1|T-1|1999| |~",       "A009|0|0|HQ|last|~|~",
                                 "A010|0|0|ARSON|~||~",      "A011|3|2|E-4|~|T|BUDGET",     "A012|0|0|HQ||T|ACADEMY2",
                                 "A013|~|~|~|~|~|~",         "A014|3|2|E-3|now| |~",        "A015|0|0|HQ|now|~|~"};
    const QStringList fields{"ID", "Unit", "Batt", "Assign", "Year", "Special", "AssignTo"};
    const QMap<QString, QString> years{{"now", now}, {"last", last}};
    QList<test::Row> rows;
    for (const char* member : table) {
        QMap<QString, QVariant> values;
        const QStringList texts = QString::fromLatin1(member).split(u'|');
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (texts.at(i) != u"~")
                values.insert(fields.at(i), years.value(texts.at(i), texts.at(i)));
        }
        rows << test::row(values);
    }
    return rows;
}

QListWidget* list(QWidget* window)
{
    return window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
}

// The FDIDs of a workbook's list, column A below its header, top to bottom.
QStringList idsInWorkbook(const QString& path)
{
    test::XlsxContent book;
    QString error;
    if (!book.load(path, &error))
        return {error};
    QStringList ids;
    for (int r = 2; r <= book.lastRow; ++r)
        ids << (book.cell(QStringLiteral("A%1").arg(r)) ? book.cell(QStringLiteral("A%1").arg(r))->text : QString());
    return ids;
}

} // namespace

class tst_QueryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<test::MainWindowFixture>();
        QVERIFY(f->start(members()));
    }
    void cleanup()
    {
        if (f->query())
            f->query()->close();
        f.reset();
    }
    void eachEntryListsItsUntestedMembersInOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("1 Unit: by battalion, then assignment") << 0 << QStringList{"A003", "A002", "A001"};
        QTest::newRow("2 Unit") << 1 << QStringList{"A006"};
        QTest::newRow("3 Unit: blank Special is no mark") << 2 << QStringList{"A008"};
        QTest::newRow("40 Hrs.: by assignment") << 3 << QStringList{"A010", "A009"};
        QTest::newRow("Special Assignment: any unit, by AssignTo") << 4 << QStringList{"A005", "A012", "A011"};
    }
    void eachEntryListsItsUntestedMembersInOrder()
    {
        QFETCH(int, position);
        QFETCH(QStringList, ids);
        frmQuery* window = f->openQuery();
        QVERIFY(window);
        QCOMPARE(test::countText(window), QString());
        QVERIFY(test::idsInGrid(window).isEmpty());
        test::clickEntry(window, position);
        QCOMPARE(test::idsInGrid(window), ids);
        QCOMPARE(test::countText(window), QStringLiteral(" %1").arg(ids.size()));
        const QAbstractItemModel* model = window->findChild<QTableView*>(QStringLiteral("dgPersonnel"))->model();
        QStringList headings;
        for (int c = 0; c < model->columnCount(); ++c)
            headings << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, masktest::fieldNames());
        QVERIFY(f->dialogs.messages.isEmpty());
    }
    // In a freshly opened window the list's keys choose as on the old list box: Home and Page Up
    // the first entry, End and Page Down the last, Down the one after the first.
    void keyboardSelectionRunsTheQuery_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("ids");
        const QStringList unitOne{"A003", "A002", "A001"}, special{"A005", "A012", "A011"};
        QTest::newRow("Home") << "Home" << unitOne;
        QTest::newRow("PgUp") << "PgUp" << unitOne;
        QTest::newRow("End") << "End" << special;
        QTest::newRow("PgDown") << "PgDown" << special;
        QTest::newRow("Down") << "Down" << QStringList{"A006"};
    }
    void keyboardSelectionRunsTheQuery()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, ids);
        frmQuery* window = f->openQuery();
        QVERIFY(window);
        // Tab order as drawn: Send to Excel, Close, the grid, the list; tabbing into the list runs nothing.
        for (const char* next : {"cmdPrint", "cmdReturn", "dgPersonnel", "lstBattalions"}) {
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), list(window));
        QVERIFY(test::idsInGrid(window).isEmpty());
        QTest::keyClick(list(window), QKeySequence::fromString(key)[0].key());
        QCOMPARE(test::idsInGrid(window), ids);
        QCOMPARE(test::countText(window), QStringLiteral(" %1").arg(ids.size()));
        QCOMPARE(list(window)->selectedItems().size(), 1);
    }
    void recordsWindowTakesNoInputWhileOpen_data()
    {
        QTest::addColumn<QString>("closedBy");
        QTest::newRow("Close's access key") << "Alt+C";
        QTest::newRow("Enter on Close") << "Return";
        QTest::newRow("close box") << "";
    }
    void recordsWindowTakesNoInputWhileOpen()
    {
        QFETCH(QString, closedBy);
        QWindow* records = f->window->windowHandle();
        for (int opening = 0; opening < 2; ++opening) {
            frmQuery* window = f->openQuery();
            QVERIFY(window);
            // Kept above the records window: X11 marks only a dialog transient for its owner.
            QCOMPARE(window->windowHandle()->transientParent(), records);
            QCOMPARE(window->windowHandle()->type(), Qt::Dialog);
            QCOMPARE(window->windowTitle(), QStringLiteral("Personnel Who Have Not Been Tested"));
            QStringList entries;
            for (int i = 0; i < list(window)->count(); ++i)
                entries << list(window)->item(i)->text();
            QCOMPARE(entries, (QStringList{"1 Unit", "2 Unit", "3 Unit", "40 Hrs.", "Special Assignment"}));
            QVERIFY(list(window)->selectedItems().isEmpty());
            QCOMPARE(test::countText(window), QString());
            test::clickEntry(window, 1);
            QCOMPARE(test::countText(window), QStringLiteral(" 1"));

            // What the platform delivers to the records window goes nowhere: Add's access key,
            // a click on Add, and a click on its close box, which would end the program.
            const QPoint add = f->button("cmdAdd")->mapTo(f->window.get(), QPoint(5, 5));
            QSignalSpy addPressed(f->button("cmdAdd"), &QPushButton::pressed);
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(records);
            QVERIFY(f->window->isVisible() && f->window->recordSet());
            QTest::keyClick(records, Qt::Key_A, Qt::AltModifier);
            QTest::mouseClick(records, Qt::LeftButton, {}, add);
            QVERIFY(addPressed.isEmpty());
            QCOMPARE(f->query(), window);

            if (closedBy.isEmpty()) {
                QVERIFY(QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
                    window->windowHandle()));
            } else {
                if (closedBy == u"Return") // on the button that has the focus
                    window->findChild<QPushButton*>(QStringLiteral("cmdReturn"))->setFocus(Qt::TabFocusReason);
                const QKeyCombination k = QKeySequence::fromString(closedBy, QKeySequence::PortableText)[0];
                QTest::keyClick(window->windowHandle(), k.key(), k.keyboardModifiers());
            }
            QTRY_VERIFY(!f->query());
            // The records window answers again.
            QTRY_COMPARE(QApplication::activeWindow(), f->window.get());
            QTest::mouseClick(records, Qt::LeftButton, {}, add);
            QVERIFY(f->button("cmdSave")->isEnabled());
            f->dialogs.answer(MsgResult::Yes);
            f->click("cmdCancel");
        }
    }
    // The list, the grid and the count go on showing one list: the highlight goes back to the
    // entry whose list is shown, or to none, and nothing runs again (the file is away: a second
    // run would fail with a second message). The message box takes the focus while it shows; when
    // the list has it back, no entry it did not list is marked as current.
    void aFailedQueryKeepsTheShownList_data()
    {
        QTest::addColumn<int>("shown"); // the entry chosen before the file went away; -1: none
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("choice"); // "click" on Special Assignment, or a key in the list
        QTest::addColumn<QString>("failed"); // the entry whose list could not be made
        const QStringList unitOne{"A003", "A002", "A001"};
        QTest::newRow("after 1 Unit, clicked") << 0 << unitOne << "click"
                                               << "Special Assignment";
        QTest::newRow("first choice, clicked") << -1 << QStringList() << "click"
                                               << "Special Assignment";
        QTest::newRow("after 1 Unit, Down") << 0 << unitOne << "Down"
                                            << "2 Unit";
        QTest::newRow("first choice, End") << -1 << QStringList() << "End"
                                           << "Special Assignment";
    }
    void aFailedQueryKeepsTheShownList()
    {
        QFETCH(int, shown);
        QFETCH(QStringList, ids);
        QFETCH(QString, choice);
        QFETCH(QString, failed);
        frmQuery* window = f->openQuery();
        QVERIFY(window);
        QWidget modalBox;
        f->dialogs.onMessage([&modalBox](const MessageBox&) {
            modalBox.show();
            QApplication::setActiveWindow(&modalBox);
        });
        if (shown >= 0)
            test::clickEntry(window, shown);
        list(window)->setFocus(Qt::TabFocusReason);
        const QString count = test::countText(window);
        QVERIFY(test::makeUnreachable(f->path, true));
        if (choice == u"click")
            test::clickEntry(window, 4);
        else
            QTest::keyClick(list(window), QKeySequence::fromString(choice)[0].key());
        // The box closes; the window manager gives the window the focus back a moment later.
        modalBox.hide();
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(window);
        QTRY_COMPARE(QApplication::focusWidget(), list(window));

        QCOMPARE(f->dialogs.messages.size(), 1);
        const MessageBox& box = f->dialogs.messages.first();
        QVERIFY2(box.prompt.contains(u'"' + failed + u'"')
                     && box.prompt.contains(RecordsLocation::fromText(f->path).displayName()),
                 qPrintable(box.prompt));
        QCOMPARE(box.icon, MsgIcon::Exclamation);
        QCOMPARE(test::idsInGrid(window), ids);
        QCOMPARE(test::countText(window), count);
        const auto highlighted = [window] {
            QList<int> rows;
            for (const QListWidgetItem* item : list(window)->selectedItems())
                rows << list(window)->row(item);
            return rows;
        };
        QTRY_COMPARE(highlighted(), shown >= 0 ? QList<int>{shown} : QList<int>());
        QCOMPARE(list(window)->currentRow(), shown);

        QVERIFY(test::makeUnreachable(f->path, false));
        test::clickEntry(window, 2);
        QCOMPARE(test::idsInGrid(window), QStringList{"A008"});
    }

    // An export that stops before its workbook is made, cancelled or failing, leaves the list
    // where it found it: the next Send to Excel writes all of it, from its first member. A list
    // with a value too long for the page is written twice, the second time wrapped: whole too.
    void anUnfinishedExportLeavesTheListWhole_data()
    {
        QTest::addColumn<QString>("stop"); // "cancel", "fail" (its folder goes away meanwhile), or none
        QTest::addColumn<bool>("twice"); // a member's long Assigned To makes the export write it twice
        QTest::newRow("cancelled") << "cancel" << false;
        QTest::newRow("failed") << "fail" << false;
        QTest::newRow("cancelled as it writes the list again") << "cancel" << true;
        QTest::newRow("written twice, not stopped") << "" << true;
    }
    void anUnfinishedExportLeavesTheListWhole()
    {
        QFETCH(QString, stop);
        QFETCH(bool, twice);
        QList<test::Row> unitTwo;
        for (int i = 0; i < 1600; ++i)
            unitTwo << row(
                {{"ID", QStringLiteral("%1%2").arg(QChar(u'B' + i / 1000)).arg(i % 1000, 3, 10, QChar(u'0'))},
                 {"Unit", "2"},
                 {"AssignTo", twice && i == 0 ? QStringLiteral("HQ ").repeated(150) : QStringLiteral("HQ")}});
        QTemporaryDir out;
        frmQuery window(f->dialogs, RecordsLocation::fromText(test::createDatabase(out.path(), unitTwo)));
        QStringList opened;
        window.setWorkbookOpener([&opened](const QUrl& file) { return opened << file.toLocalFile(), true; });
        const QString folder = out.filePath(QStringLiteral("workbooks"));
        QVERIFY(QDir().mkpath(folder));
        window.setWorkbookDirectory(folder);
        window.setProgressDelay(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        test::clickEntry(&window, 1);
        const QStringList listed = test::idsInGrid(&window);
        QCOMPARE(listed.size(), unitTwo.size());

        if (!stop.isEmpty()) {
            int stoppedAt = -1;
            QList<int> shown; // every value of the progress bar, in turn
            QTimer user;
            connect(&user, &QTimer::timeout, this, [&] {
                auto* progress = window.findChild<QProgressDialog*>(QStringLiteral("prgExport"));
                if (stoppedAt >= 0 || !progress)
                    return;
                if (shown.isEmpty())
                    connect(progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
                            [&shown](int value) { shown << value; });
                shown << progress->value();
                const bool again = !std::is_sorted(shown.cbegin(), shown.cend()); // the list is written again
                if (!progress->isVisible() || progress->value() < 500 || again != twice)
                    return;
                stoppedAt = progress->value();
                if (stop == u"cancel")
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                else
                    QVERIFY(QDir(folder).removeRecursively());
            });
            user.start(0);
            QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
            QTRY_VERIFY(stoppedAt >= 500);
            QTRY_VERIFY(!window.findChild<QProgressDialog*>(QStringLiteral("prgExport")));
            user.stop();
            QVERIFY2(stoppedAt < unitTwo.size(), "stopped only at the end");
            QVERIFY(opened.isEmpty());
            QCOMPARE(f->dialogs.messages.size(), stop == u"fail" ? 1 : 0);
            QVERIFY(QDir().mkpath(folder));
        }
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdPrint")), Qt::LeftButton);
        QTRY_COMPARE(opened.size(), 1);
        QCOMPARE(idsInWorkbook(opened.first()), listed);
    }

private:
    std::unique_ptr<test::MainWindowFixture> f;
};

QTEST_MAIN(tst_QueryWindow)
#include "tst_querywindow.moc"
