// The fit-test windows as a clerk drives them, from the records window, by keyboard.
#include "fittestsupport.h"
#include "mainwindowfixture.h"

#include <appearance.h>
#include <frmfittest.h>
#include <frmfittests.h>
#include <frmfittestsdue.h>

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTableView>

using namespace vantor;
using test::row;

namespace {

template<typename T>
T* active()
{
    T* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&found] {
            found = qobject_cast<T*>(QApplication::activeWindow());
            return found != nullptr;
        },
        5000);
    return shown ? found : nullptr;
}

QString cell(QTableView* grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

void keys(QWidget* window, std::initializer_list<QKeyCombination> combinations)
{
    for (const QKeyCombination k : combinations)
        QTest::keyClick(window->windowHandle(), k.key(), k.keyboardModifiers());
}

// Types `text` into the widget the window's access key `key` reaches.
void typeAt(QWidget* window, Qt::Key key, const QString& text)
{
    keys(window, {Qt::ALT | key});
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Backspace);
    }
    QTest::keyClicks(focus, text);
}

// Everything a passing SCBA test needs, typed as a clerk types it.
void typeScbaTest(QWidget* entry, const QString& date, const QString& fitFactor)
{
    typeAt(entry, Qt::Key_D, date);
    typeAt(entry, Qt::Key_P, QStringLiteral("Am"));
    typeAt(entry, Qt::Key_K, QStringLiteral("msa"));
    typeAt(entry, Qt::Key_M, QStringLiteral("g1"));
    keys(entry, {Qt::ALT | Qt::Key_Y, Qt::Key_Down});
    typeAt(entry, Qt::Key_Z, QStringLiteral("m"));
    typeAt(entry, Qt::Key_O, fitFactor);
    typeAt(entry, Qt::Key_B, QStringLiteral("safety officer"));
}

} // namespace

class tst_FitTestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::MainWindowFixture> f;
    QTemporaryDir m_files;
    QStringList m_opened; // files handed to the desktop, with their type

    frmFitTests* openFitTests()
    {
        keys(f->window.get(), {Qt::CTRL | Qt::Key_T});
        frmFitTests* window = active<frmFitTests>();
        if (window) {
            window->setFileDirectory(m_files.path());
            window->setFileOpener([this](const QString& file, const QString& type) {
                m_opened << file + u' ' + type;
                return true;
            });
        }
        return window;
    }

private slots:
    void init()
    {
        f = std::make_unique<test::MainWindowFixture>();
        m_opened.clear();
    }
    void cleanup() { f.reset(); }

    // The form below the bar is as it was drawn, in twips from the client area's corner; the
    // menu's key types nothing and its commands wait while a record is entered.
    void recordsWindowKeepsItsPlaces()
    {
        QVERIFY(f->start({row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        const int bar = f->window->findChild<QMenuBar*>(QStringLiteral("mnuMain"))->height();
        QVERIFY(bar > 0);
        QCOMPARE(f->window->size(), QSize(appearance::twips(9930), appearance::twips(7770) + bar));
        const std::pair<const char*, QPoint> drawn[]
            = {{"Frame1", {240, 1560}}, {"Frame5", {4320, 1560}}, {"Frame4", {7920, 1560}},
               {"Frame2", {240, 3240}}, {"Frame3", {240, 5280}},  {"Frame6", {240, 6720}},
               {"Image2", {240, 240}},  {"Label1", {2160, 480}},  {"Image1", {8400, 120}}};
        for (const auto& [name, at] : drawn) {
            const QWidget* control = f->find(name);
            QCOMPARE(control->parentWidget(), f->window.get());
            QCOMPARE(control->pos() - QPoint(0, bar), QPoint(appearance::twips(at.x()), appearance::twips(at.y())));
        }

        f->click("cmdAdd");
        // Alt pressed and let go alone leaves the keyboard in the box, as it was without the bar.
        QTest::keyClick(f->window->windowHandle(), Qt::Key_Alt);
        keys(f->window.get(), {Qt::Key_1});
        QCOMPARE(f->box("txtMonthTested")->text(), "1");
        f->type("txtLname", QStringLiteral("ab<Alt+F>"));
        QMenu* menu = nullptr;
        QVERIFY(QTest::qWaitFor([&menu] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
        for (QAction* action : menu->actions())
            QVERIFY(!action->isEnabled());
        menu->close();
        QCOMPARE(f->box("txtLname")->text(), "AB");
        keys(f->window.get(), {Qt::CTRL | Qt::Key_T});
        QTest::qWait(200);
        QCOMPARE(QApplication::activeWindow(), f->window.get());
    }

    // A quantitative SCBA test that passes, a qualitative one that fails with a recording, the
    // recording and the record printed, and the member's Last Date Tested set by the pass.
    void clerkRecordsTestsByKeyboard()
    {
        QVERIFY(f->start({row({{"ID", "A100"},
                               {"Last", "ALLEN"},
                               {"First", "AL"},
                               {"Rank", "FF"},
                               {"Kelly", "A1"},
                               {"Batt", "1"},
                               {"Unit", "1"},
                               {"Assign", "E-1"},
                               {"Month", "1"},
                               {"Day", "5"},
                               {"Year", "2025"}})}));
        frmFitTests* tests = openFitTests();
        QVERIFY(tests);
        auto* grid = tests->findChild<QTableView*>(QStringLiteral("dgFitTests"));
        QCOMPARE(tests->findChild<QLabel*>(QStringLiteral("lblLastDate"))->text(), "01/05/2025");

        keys(tests, {Qt::ALT | Qt::Key_A});
        frmFitTest* entry = active<frmFitTest>();
        QVERIFY(entry);
        typeScbaTest(entry, QStringLiteral("3/7/26"), QStringLiteral("2,300"));
        QCOMPARE(entry->findChild<QLineEdit*>(QStringLiteral("txtTestDate"))->text(), "03/07/2026");
        QCOMPARE(entry->findChild<QComboBox*>(QStringLiteral("cboStyle"))->currentText(), "SCBA facepiece");
        QCOMPARE(entry->findChild<QLabel*>(QStringLiteral("lblResult"))->text(),
                 "Pass: a full facepiece needs 500 or more");
        keys(entry, {Qt::ALT | Qt::Key_S});
        QVERIFY(QTest::qWaitFor([&] { return grid->model()->rowCount() == 1; }));
        QCOMPARE(cell(grid, 0, 2), "Pass (2,300)");
        QCOMPARE(f->box("txtMonthTested")->text() + u'/' + f->box("txtDayTested")->text() + u'/'
                     + f->box("txtYearTested")->text(),
                 "3/7/2026");

        const QString recording = m_files.filePath(QStringLiteral("portacount.pdf"));
        QFile file(recording);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("%PDF-1.4\n% instrument printout\n") > 0);
        file.close();
        f->dialogs.answerFile(recording);
        keys(tests, {Qt::ALT | Qt::Key_A});
        QVERIFY((entry = active<frmFitTest>()));
        QCOMPARE(entry->findChild<QLineEdit*>(QStringLiteral("txtMake"))->text(), "MSA"); // from the last test
        typeAt(entry, Qt::Key_D, QStringLiteral("03/08/2026"));
        keys(entry, {Qt::ALT | Qt::Key_T, Qt::Key_Up});
        typeAt(entry, Qt::Key_P, QStringLiteral("Sa"));
        keys(entry, {Qt::ALT | Qt::Key_R, Qt::Key_Down, Qt::Key_Down, Qt::ALT | Qt::Key_A});
        QCOMPARE(entry->findChild<QLabel*>(QStringLiteral("lblRecording"))->text(), "portacount.pdf (31 bytes)");
        keys(entry, {Qt::ALT | Qt::Key_S});
        QVERIFY(QTest::qWaitFor([&] { return grid->model()->rowCount() == 2; }));
        QCOMPARE(cell(grid, 0, 0) + u' ' + cell(grid, 0, 1) + u' ' + cell(grid, 0, 2) + u' ' + cell(grid, 0, 7),
                 "03/08/2026 Qualitative Fail portacount.pdf");
        QCOMPARE(f->box("txtDayTested")->text(), "7"); // a failed test changes no date

        keys(tests, {Qt::ALT | Qt::Key_R, Qt::ALT | Qt::Key_P});
        QCOMPARE(m_opened.size(), 2);
        QVERIFY(m_opened.at(0).endsWith(u".pdf application/pdf"));
        QCOMPARE(test::fileBytes(m_opened.at(0).section(u' ', 0, -2)), test::fileBytes(recording));
        const QByteArray printed = test::fileBytes(m_opened.at(1).section(u' ', 0, -2));
        QVERIFY(printed.startsWith("%PDF"));
        QVERIFY(printed.contains("/Count 1"));

        keys(tests, {Qt::Key_Escape});
        QTRY_COMPARE(QApplication::activeWindow(), f->window.get());
        // The records window reads its member again: its next Update is no conflict.
        f->click("cmdEdit");
        f->dialogs.answer(MsgResult::Yes);
        f->click("cmdUpdate");
        QCOMPARE(f->titles(), QStringList{"Update Record"});
    }

    void entryChecks_data()
    {
        QTest::addColumn<QString>("wrong"); // the entry left out or typed wrong
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no date") << "date"
                                 << "Date of Test"
                                 << "txtTestDate";
        QTest::newRow("tomorrow") << "tomorrow"
                                  << "Date of Test"
                                  << "txtTestDate";
        QTest::newRow("no make") << "make"
                                 << "Make"
                                 << "txtMake";
        QTest::newRow("no fit factor") << "fit factor"
                                       << "Fit Factor"
                                       << "txtFitFactor";
        QTest::newRow("qualitative without result") << "result"
                                                    << "Result"
                                                    << "cboResult";
        QTest::newRow("other protocol undescribed") << "other"
                                                    << "Protocol"
                                                    << "txtProtocolOther";
        QTest::newRow("no tester") << "tester"
                                   << "Tested By"
                                   << "txtTester";
    }
    void entryChecks()
    {
        QFETCH(QString, wrong);
        QVERIFY(f->start({row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        frmFitTests* tests = openFitTests();
        QVERIFY(tests);
        keys(tests, {Qt::Key_Insert});
        frmFitTest* entry = active<frmFitTest>();
        QVERIFY(entry);
        typeScbaTest(entry,
                     wrong == u"tomorrow" ? QDate::currentDate().addDays(1).toString(QStringLiteral("M/d/yyyy"))
                                          : QStringLiteral("3/7/2026"),
                     QStringLiteral("2300"));
        const QMap<QString, Qt::Key> cleared{
            {"date", Qt::Key_D}, {"make", Qt::Key_K}, {"fit factor", Qt::Key_O}, {"tester", Qt::Key_B}};
        if (cleared.contains(wrong))
            typeAt(entry, cleared.value(wrong), QString());
        if (wrong == u"result")
            keys(entry, {Qt::ALT | Qt::Key_T, Qt::Key_Up, Qt::ALT | Qt::Key_P, Qt::Key_Down});
        if (wrong == u"other")
            keys(entry, {Qt::ALT | Qt::Key_P, Qt::Key_End});
        f->dialogs.clear();
        keys(entry, {Qt::ALT | Qt::Key_S});
        QCOMPARE(f->titles().size(), 1);
        QTEST(f->titles().first(), "title");
        QTEST(QApplication::focusWidget()->objectName(), "focus");
        QCOMPARE(test::scalar(f->path, QStringLiteral(R"(SELECT count(*) FROM "FitTest")")).toInt(), 0);
        QVERIFY(entry->isVisible());
    }

    // Every control a clerk can tab to has a name a screen reader says.
    void everyControlIsNamed()
    {
        QVERIFY(f->start({row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        frmFitTests* tests = openFitTests();
        QVERIFY(tests);
        keys(tests, {Qt::ALT | Qt::Key_A});
        frmFitTest* entry = active<frmFitTest>();
        QVERIFY(entry);
        auto* due = new frmFitTestsDue(f->dialogs, RecordsLocation::fromText(f->path), f->window.get());
        QVERIFY(due->Form_Load());
        int named = 0;
        for (QWidget* window :
             {static_cast<QWidget*>(tests), static_cast<QWidget*>(entry), static_cast<QWidget*>(due)}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                // The line edit inside a combo box is the combo box's own, named with it.
                if (!(w->focusPolicy() & Qt::TabFocus) || w->window() != window
                    || qobject_cast<QComboBox*>(w->parentWidget()))
                    continue;
                const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(w->objectName()));
                ++named;
            }
        }
        QVERIFY(named >= 25);
        delete due;
    }

    // Another station changed the test after it was shown: the clerk is told, and the next
    // Save is made knowingly. Delete asks first.
    void stationsAndDeletion()
    {
        QVERIFY(f->start({row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        fittests::MemberFitTests other;
        QVERIFY(!other.open(RecordsLocation::fromText(f->path), test::memberKey(f->path, "A100")));
        fittests::FitTest test = test::scbaTest(QDate(2026, 2, 1));
        QVERIFY(!other.save(test, {}));
        frmFitTests* tests = openFitTests();
        QVERIFY(tests);
        test.tester = QStringLiteral("OTHER");
        QVERIFY(!other.save(test, {}));

        keys(tests, {Qt::Key_Return});
        frmFitTest* entry = active<frmFitTest>();
        QVERIFY(entry);
        typeAt(entry, Qt::Key_N, QStringLiteral("re-fit"));
        keys(entry, {Qt::ALT | Qt::Key_S});
        QCOMPARE(f->titles(), QStringList{"Save Fit Test"});
        QVERIFY(f->dialogs.messages.first().prompt.contains(u"another station"));
        QVERIFY(entry->isVisible());
        keys(entry, {Qt::ALT | Qt::Key_S});
        auto* grid = tests->findChild<QTableView*>(QStringLiteral("dgFitTests"));
        QTRY_COMPARE(cell(grid, 0, 8), "re-fit");

        f->dialogs.answer(MsgResult::No);
        f->dialogs.answer(MsgResult::Yes);
        keys(tests, {Qt::Key_Delete});
        QCOMPARE(grid->model()->rowCount(), 1);
        keys(tests, {Qt::Key_Delete});
        QCOMPARE(f->titles().mid(1), (QStringList{"Delete Fit Test", "Delete Fit Test"}));
        QCOMPARE(grid->model()->rowCount(), 0);
    }

    // Records of an earlier version: a file gains the tables when it is opened; on a server the
    // clerk is told what the owner runs, and the records window goes on as before.
    void earlierRecords()
    {
        f->path = test::earlierRecords(f->dir.path());
        QVERIFY(f->load());
        keys(f->window.get(), {Qt::CTRL | Qt::Key_T});
        if (test::onServer()) {
            QTRY_COMPARE(f->titles(), QStringList{"Fit Tests"});
            QVERIFY(f->dialogs.messages.first().prompt.contains(QStringLiteral("vantor --upgrade-database")));
            QCOMPARE(QApplication::activeWindow(), f->window.get());
        } else {
            QVERIFY(active<frmFitTests>());
            QVERIFY(f->dialogs.messages.isEmpty());
        }
    }

    // The due list shows a member whose last pass was twelve months and ten days ago as
    // overdue, and Send to Excel prints it under its title.
    void dueWindow()
    {
        QVERIFY(f->start({row({{"ID", "A100"}, {"Last", "ALLEN"}}), row({{"ID", "B200"}, {"Last", "BOYD"}})}));
        fittests::MemberFitTests store;
        QVERIFY(!store.open(RecordsLocation::fromText(f->path), test::memberKey(f->path, "A100")));
        fittests::FitTest test = test::scbaTest(QDate::currentDate().addMonths(-12).addDays(-10));
        QVERIFY(!store.save(test, {}));
        keys(f->window.get(), {Qt::CTRL | Qt::SHIFT | Qt::Key_T});
        frmFitTestsDue* due = active<frmFitTestsDue>();
        QVERIFY(due);
        auto* grid = due->findChild<QTableView*>(QStringLiteral("dgDue"));
        QCOMPARE(grid->model()->rowCount(), 2);
        QCOMPARE(cell(grid, 0, 0) + u' ' + cell(grid, 0, 7), "B200 No test on record");
        QCOMPARE(cell(grid, 1, 0) + u' ' + cell(grid, 1, 7) + u' ' + cell(grid, 1, 11),
                 "A100 Overdue 10 days MSA G1 SCBA facepiece M");

        QString workbook;
        due->setWorkbookDirectory(m_files.path());
        due->setWorkbookOpener([&workbook](const QUrl& file) {
            workbook = file.toLocalFile();
            return true;
        });
        keys(due, {Qt::ALT | Qt::Key_S});
        QVERIFY(!workbook.isEmpty());
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"), workbook, QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished());
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(sheet.contains(QStringLiteral("Fit tests due by %1 \u2014 All members")
                                    .arg(fittests::shownDate(QDate::currentDate().addDays(30)))),
                 qPrintable(sheet.left(2000)));
    }
};

QTEST_MAIN(tst_FitTestWindow)
#include "tst_fittestwindow.moc"
