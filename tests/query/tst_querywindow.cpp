#include "mainwindowfixture.h"

#include <frmquery.h>
#include <masktest.h>
#include <querysql.h>
#include <recordset.h>

#include <QAbstractItemModel>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTableView>

using namespace vantor;
using test::row;

namespace {

// Members of every kind the lists tell apart: this year, last year, a null and an empty
// year; Special "T", blank, empty and null; units 0 to 3 and none.
QList<test::Row> members()
{
    const QString now = test::storeYear(), last = QString::number(now.toInt() - 1);
    auto m = [](const char* id, QVariant unit, QVariant batt, QVariant assign, QVariant year, QVariant special = {},
                QVariant assignTo = {}) {
        return row({{"ID", id},
                    {"Unit", unit},
                    {"Batt", batt},
                    {"Assign", assign},
                    {"Year", year},
                    {"Special", special},
                    {"AssignTo", assignTo}});
    };
    return {m("A001", "1", "2", "E-5", last),
            m("A002", "1", "1", "L-3", {}, ""),
            m("A003", "1", "1", "E-2", "", " "),
            m("A004", "1", "1", "E-1", now),
            m("A005", "1", "3", "E-7", last, "T", "ACADEMY"),
            m("A006", "2", "3", "E-9", {}),
            m("A007", "2", "3", "E-8", now, "T", "ARSON"),
            m("A008", "3", "1", "T-1", "1999", " "),
            m("A009", "0", "0", "HQ", last),
            m("A010", "0", "0", "ARSON", {}, ""),
            m("A011", "3", "2", "E-4", {}, "T", "BUDGET"),
            m("A012", "0", "0", "HQ", "", "T", "ACADEMY2"),
            m("A013", {}, {}, {}, {}),
            m("A014", "3", "2", "E-3", now, " ")};
}

QList<QWidget*> queryWindows()
{
    QList<QWidget*> open;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == u"frmQuery" && w->isVisible())
            open << w;
    }
    return open;
}

QStringList idsInGrid(QWidget* window)
{
    const QAbstractItemModel* model = window->findChild<QTableView*>(QStringLiteral("dgPersonnel"))->model();
    QStringList ids;
    for (int r = 0; r < model->rowCount(); ++r)
        ids << model->index(r, 0).data().toString();
    return ids;
}

QString countText(QWidget* window)
{
    return window->findChild<QLabel*>(QStringLiteral("lblCount"))->text();
}
QListWidget* list(QWidget* window)
{
    return window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
}

void clickEntry(QWidget* window, int position)
{
    QTest::mouseClick(list(window)->viewport(), Qt::LeftButton, {},
                      list(window)->visualItemRect(list(window)->item(position)).center());
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
        for (QWidget* w : queryWindows())
            w->close();
        f.reset();
        QTRY_VERIFY(queryWindows().isEmpty());
    }
    void eachEntryListsItsUntestedMembersInOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("ids");
        const QString middle
            = QStringLiteral("' And ([Special] <> 'T' or [Special] Is Null) And ([Year] <> Year(Now) or "
                             "[Year] Is Null)");
        QTest::newRow("1 Unit: two blanks before ORDER BY; by battalion, then assignment")
            << 0
            << QStringLiteral("Select * from MT WHERE Unit ='1") + middle + QStringLiteral("  ORDER BY Batt, Assign")
            << QStringList{"A003", "A002", "A001"};
        QTest::newRow("2 Unit") << 1
                                << QStringLiteral("Select * from MT WHERE Unit ='2") + middle
                + QStringLiteral(" ORDER BY Batt, Assign")
                                << QStringList{"A006"};
        QTest::newRow("3 Unit: blank Special is no mark")
            << 2
            << QStringLiteral("Select * from MT WHERE Unit ='3") + middle + QStringLiteral(" ORDER BY Batt, Assign")
            << QStringList{"A008"};
        QTest::newRow("40 Hrs.: by assignment")
            << 3 << QStringLiteral("Select * from MT WHERE Unit ='0") + middle + QStringLiteral(" ORDER BY Assign")
            << QStringList{"A010", "A009"};
        QTest::newRow("Special Assignment: any unit, by AssignTo")
            << 4
            << QStringLiteral("Select * from MT WHERE [Special] ='T' And ([Year] <> Year(Now) or [Year] Is Null) ORDER "
                              "BY AssignTo")
            << QStringList{"A005", "A012", "A011"};
    }
    void eachEntryListsItsUntestedMembersInOrder()
    {
        QFETCH(int, position);
        QFETCH(QStringList, ids);
        QWidget* window = openFromMainWindow();
        QVERIFY(window);
        QCOMPARE(countText(window), QString());
        QVERIFY(idsInGrid(window).isEmpty());
        clickEntry(window, position);
        QCOMPARE(idsInGrid(window), ids);
        QCOMPARE(countText(window), QStringLiteral(" %1").arg(ids.size()));
        const QAbstractItemModel* model = window->findChild<QTableView*>(QStringLiteral("dgPersonnel"))->model();
        QStringList headings;
        for (int c = 0; c < model->columnCount(); ++c)
            headings << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, masktest::fieldNames());
        QTEST(qobject_cast<frmQuery*>(window)->recordSet()->source(), "sql");
        QVERIFY(f->dialogs.messages.isEmpty());
    }
    void keyboardSelectionRunsTheQuery()
    {
        QWidget* window = openFromMainWindow();
        QVERIFY(window);
        // Tab order as drawn: Send to Excel, Close, the grid, the list; tabbing into the list runs nothing.
        for (const char* next : {"cmdPrint", "cmdReturn", "dgPersonnel", "lstBattalions"}) {
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), list(window));
        QVERIFY(idsInGrid(window).isEmpty());
        QTest::keyClick(list(window), Qt::Key_End);
        QCOMPARE(idsInGrid(window), (QStringList{"A005", "A012", "A011"}));
        QCOMPARE(countText(window), QStringLiteral(" 3"));
    }
    void openingDisablesTheMainWindowAndEitherCloseEnablesIt_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Close button") << false;
        QTest::newRow("close box") << true;
    }
    void openingDisablesTheMainWindowAndEitherCloseEnablesIt()
    {
        QFETCH(bool, byCloseBox);
        for (int opening = 0; opening < 2; ++opening) {
            QWidget* window = openFromMainWindow();
            QVERIFY(window);
            QVERIFY(!f->window->isEnabled());
            QCOMPARE(queryWindows().size(), 1);
            QCOMPARE(window->windowTitle(), QStringLiteral("Personnel Who Have Not Been Tested"));
            QStringList entries;
            for (int i = 0; i < list(window)->count(); ++i)
                entries << list(window)->item(i)->text();
            QCOMPARE(entries, (QStringList{"1 Unit", "2 Unit", "3 Unit", "40 Hrs.", "Special Assignment"}));
            QVERIFY(list(window)->selectedItems().isEmpty());
            QCOMPARE(countText(window), QString());
            clickEntry(window, 1);
            QCOMPARE(countText(window), QStringLiteral(" 1"));
            if (byCloseBox)
                QVERIFY(window->close());
            else
                QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
            QTRY_VERIFY(queryWindows().isEmpty());
            QVERIFY(f->window->isEnabled());
        }
    }
    void aFailedQueryKeepsTheShownList()
    {
        QWidget* window = openFromMainWindow();
        QVERIFY(window);
        clickEntry(window, 0);
        const QStringList unit1{"A003", "A002", "A001"};
        QVERIFY(QFile::rename(f->path, f->path + QStringLiteral(".moved")));
        clickEntry(window, 4);
        QCOMPARE(f->dialogs.messages.size(), 1);
        const MessageBox& box = f->dialogs.messages.first();
        QVERIFY2(box.prompt.contains(u"Special Assignment") && box.prompt.contains(u"MaskTest.mdb"),
                 qPrintable(box.prompt));
        QCOMPARE(box.icon, MsgIcon::Exclamation);
        QCOMPARE(idsInGrid(window), unit1);
        QCOMPARE(countText(window), QStringLiteral(" 3"));

        QVERIFY(QFile::rename(f->path + QStringLiteral(".moved"), f->path));
        clickEntry(window, 0);
        QCOMPARE(idsInGrid(window), unit1);
        QCOMPARE(qobject_cast<frmQuery*>(window)->recordSet()->source(), querysql::forPosition(0));
    }

private:
    QWidget* openFromMainWindow()
    {
        // Closing the query window gives the activation back to the records window.
        if (!QTest::qWaitForWindowActive(f->window.get()))
            return nullptr;
        QTest::keyClick(f->window.get(), Qt::Key_Q, Qt::AltModifier);
        if (!QTest::qWaitFor([] { return !queryWindows().isEmpty(); }, 5000))
            return nullptr;
        QWidget* window = queryWindows().value(0);
        return window && QTest::qWaitForWindowActive(window) ? window : nullptr;
    }
    std::unique_ptr<test::MainWindowFixture> f;
};

QTEST_MAIN(tst_QueryWindow)
#include "tst_querywindow.moc"
