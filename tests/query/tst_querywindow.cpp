#include "mainwindowfixture.h"

#include <frmquery.h>
#include <masktest.h>
#include <querysql.h>
#include <recordset.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTest>

using namespace vantor;
using test::row;

namespace {

// Members of every kind the lists tell apart: this year, last year, a null and an empty
// year; Special "T", blank, empty and null; units 0 to 3 and none.
QList<test::Row> members()
{
    const QString thisYear = test::storeYear();
    const QString lastYear = QString::number(thisYear.toInt() - 1);
    auto m = [](const char* id, QVariant unit, QVariant batt, QVariant assign, QVariant year, QVariant special,
                 QVariant assignTo) {
        return row({{"ID", id}, {"Last", QStringLiteral("LAST ") + QLatin1String(id)}, {"Unit", unit},
                    {"Batt", batt}, {"Assign", assign}, {"Year", year}, {"Special", special}, {"AssignTo", assignTo}});
    };
    const QVariant null;
    return {
        m("A001", "1", "2", "E-5", lastYear, null, null),
        m("A002", "1", "1", "L-3", null, "", null),
        m("A003", "1", "1", "E-2", "", " ", null),
        m("A004", "1", "1", "E-1", thisYear, null, null),
        m("A005", "1", "3", "E-7", lastYear, "T", "ACADEMY"),
        m("A006", "2", "3", "E-9", null, null, null),
        m("A007", "2", "3", "E-8", thisYear, "T", "ARSON"),
        m("A008", "3", "1", "T-1", "1999", " ", null),
        m("A009", "0", "0", "HQ", lastYear, null, null),
        m("A010", "0", "0", "ARSON", null, "", null),
        m("A011", "3", "2", "E-4", null, "T", "BUDGET"),
        m("A012", "0", "0", "HQ", "", "T", "ACADEMY2"),
        m("A013", null, null, null, null, null, null),
        m("A014", "3", "2", "E-3", thisYear, " ", null),
    };
}

QWidget* openQueryWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmQuery") && w->isVisible())
            return w;
    }
    return nullptr;
}

int openQueryWindows()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->objectName() == QLatin1String("frmQuery") && w->isVisible();
    return count;
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

void clickEntry(QListWidget* list, int position)
{
    const QRect rect = list->visualItemRect(list->item(position));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class tst_QueryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sqlTextsArePieceForPiece_data();
    void sqlTextsArePieceForPiece();
    void eachEntryListsItsUntestedMembersInOrder_data();
    void eachEntryListsItsUntestedMembersInOrder();
    void keyboardSelectionRunsTheQuery();
    void openingDisablesTheMainWindowAndEitherCloseEnablesIt_data();
    void openingDisablesTheMainWindowAndEitherCloseEnablesIt();
    void aFailedQueryKeepsTheShownList();

private:
    test::MainWindowFixture* m_fixture = nullptr;
    QWidget* openFromMainWindow();
};

void tst_QueryWindow::init()
{
    m_fixture = new test::MainWindowFixture;
    QVERIFY(m_fixture->start(members()));
}

void tst_QueryWindow::cleanup()
{
    if (QWidget* query = openQueryWindow())
        query->close();
    delete m_fixture;
    m_fixture = nullptr;
    QTRY_COMPARE(openQueryWindows(), 0);
}

QWidget* tst_QueryWindow::openFromMainWindow()
{
    // Closing the query window gives the activation back to the records window.
    if (!QTest::qWaitForWindowActive(m_fixture->window.get()))
        return nullptr;
    QTest::keyClick(m_fixture->window.get(), Qt::Key_Q, Qt::AltModifier);
    for (int waited = 0; !openQueryWindow() && waited < 5000; waited += 20)
        QTest::qWait(20);
    QWidget* window = openQueryWindow();
    if (window && !QTest::qWaitForWindowActive(window))
        return nullptr;
    return window;
}

void tst_QueryWindow::sqlTextsArePieceForPiece_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("sql");
    const QString middle = QStringLiteral("' And ([Special] <> 'T' or [Special] Is Null) And ([Year] <> Year(Now) or "
                                          "[Year] Is Null)");
    QTest::newRow("1 Unit, two blanks before ORDER BY")
        << 0 << QStringLiteral("Select * from MT WHERE Unit ='1") + middle + QStringLiteral("  ORDER BY Batt, Assign");
    QTest::newRow("2 Unit") << 1 << QStringLiteral("Select * from MT WHERE Unit ='2") + middle + QStringLiteral(" ORDER BY Batt, Assign");
    QTest::newRow("3 Unit") << 2 << QStringLiteral("Select * from MT WHERE Unit ='3") + middle + QStringLiteral(" ORDER BY Batt, Assign");
    QTest::newRow("40 Hrs.") << 3 << QStringLiteral("Select * from MT WHERE Unit ='0") + middle + QStringLiteral(" ORDER BY Assign");
    QTest::newRow("Special Assignment")
        << 4
        << QStringLiteral("Select * from MT WHERE [Special] ='T' And ([Year] <> Year(Now) or [Year] Is Null) ORDER BY AssignTo");
    QTest::newRow("no entry") << -1 << QString();
    QTest::newRow("past the list") << 5 << QString();
}

void tst_QueryWindow::sqlTextsArePieceForPiece()
{
    QFETCH(int, position);
    QFETCH(QString, sql);
    QCOMPARE(querysql::forPosition(position), sql);
}

void tst_QueryWindow::eachEntryListsItsUntestedMembersInOrder_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("1 Unit: by battalion, then assignment") << 0 << QStringList{"A003", "A002", "A001"};
    QTest::newRow("2 Unit") << 1 << QStringList{"A006"};
    QTest::newRow("3 Unit: blank Special is no mark") << 2 << QStringList{"A008"};
    QTest::newRow("40 Hrs.: by assignment") << 3 << QStringList{"A010", "A009"};
    QTest::newRow("Special Assignment: any unit, by AssignTo") << 4 << QStringList{"A005", "A012", "A011"};
}

void tst_QueryWindow::eachEntryListsItsUntestedMembersInOrder()
{
    QFETCH(int, position);
    QFETCH(QStringList, ids);
    QWidget* window = openFromMainWindow();
    QVERIFY(window);
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
    QCOMPARE(countText(window), QString());
    QVERIFY(idsInGrid(window).isEmpty());

    clickEntry(list, position);
    QCOMPARE(idsInGrid(window), ids);
    QCOMPARE(countText(window), QStringLiteral(" %1").arg(ids.size()));
    const QAbstractItemModel* model = window->findChild<QTableView*>(QStringLiteral("dgPersonnel"))->model();
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c)
        headings << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headings, masktest::fieldNames());
    const auto* query = qobject_cast<frmQuery*>(window);
    QCOMPARE(query->recordSet()->source(), querysql::forPosition(position));
    QVERIFY(m_fixture->dialogs.messages.isEmpty());
}

void tst_QueryWindow::keyboardSelectionRunsTheQuery()
{
    QWidget* window = openFromMainWindow();
    QVERIFY(window);
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
    // Tab order as drawn: Send to Excel, Close, the grid, the list.
    for (const char* next : {"cmdPrint", "cmdReturn", "dgPersonnel", "lstBattalions"}) {
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(next));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), list);
    QVERIFY(idsInGrid(window).isEmpty());
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(idsInGrid(window), (QStringList{"A005", "A012", "A011"}));
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(idsInGrid(window), (QStringList{"A010", "A009"}));
    QCOMPARE(countText(window), QStringLiteral(" 2"));
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(idsInGrid(window), (QStringList{"A003", "A002", "A001"}));
    QCOMPARE(countText(window), QStringLiteral(" 3"));
}

void tst_QueryWindow::openingDisablesTheMainWindowAndEitherCloseEnablesIt_data()
{
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("Close button") << false;
    QTest::newRow("close box") << true;
}

void tst_QueryWindow::openingDisablesTheMainWindowAndEitherCloseEnablesIt()
{
    QFETCH(bool, byCloseBox);
    for (int opening = 0; opening < 2; ++opening) {
        QWidget* window = openFromMainWindow();
        QVERIFY(window);
        QVERIFY(!m_fixture->window->isEnabled());
        QCOMPARE(openQueryWindows(), 1);
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        QCOMPARE(entries, querysql::entries());
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(countText(window), QString());
        QCOMPARE(window->windowTitle(), QStringLiteral("Personnel Who Have Not Been Tested"));
        clickEntry(list, 1);
        QCOMPARE(countText(window), QStringLiteral(" 1"));

        if (byCloseBox)
            QVERIFY(window->close());
        else
            QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(openQueryWindows(), 0);
        QVERIFY(m_fixture->window->isEnabled());
    }
}

void tst_QueryWindow::aFailedQueryKeepsTheShownList()
{
    QWidget* window = openFromMainWindow();
    QVERIFY(window);
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
    clickEntry(list, 0);
    QCOMPARE(countText(window), QStringLiteral(" 3"));

    QVERIFY(QFile::rename(m_fixture->path, m_fixture->path + QStringLiteral(".moved")));
    clickEntry(list, 4);
    QCOMPARE(m_fixture->dialogs.messages.size(), 1);
    const MessageBox& box = m_fixture->dialogs.messages.first();
    QVERIFY2(box.prompt.contains(QStringLiteral("Special Assignment")) && box.prompt.contains(QStringLiteral("MaskTest.mdb")),
             qPrintable(test::describe(box)));
    QCOMPARE(box.icon, MsgIcon::Exclamation);
    QCOMPARE(idsInGrid(window), (QStringList{"A003", "A002", "A001"}));
    QCOMPARE(countText(window), QStringLiteral(" 3"));

    QVERIFY(QFile::rename(m_fixture->path + QStringLiteral(".moved"), m_fixture->path));
    clickEntry(list, 0);
    QCOMPARE(idsInGrid(window), (QStringList{"A003", "A002", "A001"}));
    QCOMPARE(qobject_cast<frmQuery*>(window)->recordSet()->source(), querysql::forPosition(0));
}

QTEST_MAIN(tst_QueryWindow)
#include "tst_querywindow.moc"
