#include "scripteddialogs.h"
#include "testdatabase.h"
#include "xlsxcontent.h"

#include <exporttoexcel.h>
#include <frmquery.h>

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using test::row;
using test::XlsxContent;

class tst_Export : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(QDir().mkpath(m_out));
        QFile::remove(m_dir.filePath(QStringLiteral("MaskTest.mdb")));
        test::createDatabase(
            m_dir.path(),
            {
                row({{"ID", " A001 "},
                     {"Last", "  VAN  DYKE  "},
                     {"First", "=1+2"},
                     {"Init", "007"},
                     {"Unit", "1"},
                     {"Batt", "1"},
                     {"Year", QString::number(test::storeYear().toInt() - 1)},
                     {"AssignTo", "   "}}),
                row({{"ID", "A002"}, {"Last", "ABERNATHY-WILLIAMSON"}, {"Unit", "1"}, {"Batt", "2"}, {"Year", ""}}),
            });
        m_opened.clear();
        m_openSucceeds = true;
        m_query = window(m_dir.path());
        m_query->show();
        QVERIFY(QTest::qWaitForWindowActive(m_query.get()));
    }
    void cleanup()
    {
        m_query.reset();
        m_dialogs.clear();
        QDir(m_out).removeRecursively();
    }
    void workbookHoldsTheListFormattedForPrinting()
    {
        choose(0);
        send();
        QTRY_COMPARE(m_opened.size(), 1);
        QCOMPARE(workbooks().size(), 1);
        const XlsxContent book = read(m_opened.first().toLocalFile());
        QCOMPARE(book.sheetNames, (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
        QCOMPARE(book.sheetStates, (QStringList{"", "hidden", "hidden"}));
        QCOMPARE(book.definedNames.value(QStringLiteral("_xlnm.Print_Titles@0")), QStringLiteral("Sheet1!$1:$1"));
        QVERIFY(book.printGridlines);
        QCOMPARE(book.orientation, QStringLiteral("landscape"));
        QCOMPARE(book.lastRow, 3);

        const QString fields
            = QStringLiteral("ID Last First Init Rank Kelly Batt Unit Assign Month Day Year Special AssignTo");
        for (int c = 1; c <= 14; ++c) {
            const QString centred = c >= 4 && c <= 13 ? QStringLiteral("center") : QString();
            for (int r = 1; r <= 3; ++r) {
                const QString ref = QChar(u'A' + c - 1) + QString::number(r);
                const XlsxContent::Cell* cell = book.cell(ref);
                QVERIFY2(cell && !cell->hasFormula
                             && (!cell->hasValue || cell->type == u"inlineStr" || cell->type == u"s"),
                         qPrintable(ref));
                const XlsxContent::Style style = book.styles.value(cell->style);
                QCOMPARE(style.size, 10.0);
                QCOMPARE(style.bold, r == 1);
                QCOMPARE(style.color, r == 1 ? QStringLiteral("FFFF0000") : QString());
                QCOMPARE(style.alignment, centred);
            }
            QCOMPARE(book.cell(QChar(u'A' + c - 1) + QStringLiteral("1"))->text, fields.section(u' ', c - 1, c - 1));
            // Columns D to M are centred below the list too; every column is fitted to its contents.
            const XlsxContent::Column* column = book.column(c);
            QVERIFY(column);
            QCOMPARE(column->style >= 0 ? book.styles.value(column->style).alignment : QString(), centred);
        }
        QCOMPARE(book.cell("A2")->text, QStringLiteral("A001"));
        QCOMPARE(book.cell("B2")->text, QStringLiteral("VAN  DYKE"));
        QCOMPARE(book.cell("C2")->text, QStringLiteral("=1+2"));
        QCOMPARE(book.cell("D2")->text, QStringLiteral("007"));
        QVERIFY(!book.cell("E2")->hasValue); // null
        QVERIFY(!book.cell("N2")->hasValue); // only blanks
        QVERIFY(!book.cell("L3")->hasValue); // empty text
        QCOMPARE(book.cell("B3")->text, QStringLiteral("ABERNATHY-WILLIAMSON"));
        QVERIFY(book.column(2)->width >= 20 && book.column(2)->width > book.column(1)->width + 10);
        QVERIFY(m_dialogs.messages.isEmpty());
    }
    void secondExportWithoutNewQueryHasTheHeaderOnly()
    {
        choose(0);
        send();
        QTRY_COMPARE(m_opened.size(), 1);
        send();
        QTRY_COMPARE(m_opened.size(), 2);
        QVERIFY(m_opened.at(0) != m_opened.at(1));
        const XlsxContent second = read(m_opened.at(1).toLocalFile());
        QCOMPARE(second.lastRow, 1);
        QCOMPARE(second.cell("N1")->text, QStringLiteral("AssignTo"));
        // Columns are fitted after data cells only: A to C and N keep the standard width.
        QVERIFY(!second.column(1) && !second.column(14));
        choose(1);
        choose(0);
        send();
        QTRY_COMPARE(m_opened.size(), 3);
        QCOMPARE(read(m_opened.at(2).toLocalFile()).lastRow, 3);
    }
    void sendingBeforeAnyQueryCreatesNothing()
    {
        send();
        QTRY_COMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Exclamation);
        QVERIFY(m_dialogs.messages.first().prompt.contains(u"click one of the items"));
        QVERIFY(m_opened.isEmpty() && workbooks().isEmpty());
    }
    void unopenedWorkbookCanBeSavedInstead()
    {
        m_openSucceeds = false;
        const QString target = m_dir.filePath(QStringLiteral("untested"));
        m_dialogs.answer(MsgResult::Yes);
        m_dialogs.answerInput(target);
        choose(0);
        send();
        QTRY_COMPARE(m_opened.size(), 1);
        QCOMPARE(m_dialogs.messages.first().buttons, MsgButtons::YesNo);
        QVERIFY(m_dialogs.allAnswersUsed() && workbooks().isEmpty()); // the unopened one is not left behind
        QCOMPARE(read(target + QStringLiteral(".xlsx")).lastRow, 3);
    }
    void rowsRunPastTheOldLimitUpToTheSheetsLast()
    {
        QList<test::Row> many;
        for (int i = 0; i < 33000; ++i)
            many << row({{"ID", QStringLiteral("B%1").arg(i % 1000, 3, 10, QLatin1Char('0'))}, {"Unit", "2"}});
        QTemporaryDir dir;
        test::createDatabase(dir.path(), many);
        const auto query = window(dir.path());
        query->findChild<QListWidget*>(QStringLiteral("lstBattalions"))->setCurrentRow(1);
        query->findChild<QPushButton*>(QStringLiteral("cmdPrint"))->click();
        QCOMPARE(m_opened.size(), 1);
        const XlsxContent book = read(m_opened.first().toLocalFile());
        QCOMPARE(book.lastRow, 33001);
        // Below the centred area the cells take the centring of their columns.
        QCOMPARE(book.styles.value(book.cell("D33001")->style).alignment, QStringLiteral("center"));
        QCOMPARE(book.styles.value(book.cell("N33001")->style).alignment, QString());

        // Rows run down to the sheet's last; once a row is passed it cannot be written again.
        spreadsheet::Workbook workbook(xlsxFileHost(m_out, {}));
        spreadsheet::Sheet& sheet = workbook.activeSheet();
        sheet.cell(spreadsheet::MaxRows, 1).setValue(QStringLiteral("last"));
        QVERIFY_THROWS_EXCEPTION(spreadsheet::Error, sheet.cell(spreadsheet::MaxRows + 1, 1));
        QVERIFY_THROWS_EXCEPTION(spreadsheet::Error, sheet.cell(2, 1));
    }
    void reportCommand_data()
    {
        QTest::addColumn<QStringList>("arguments"); // @: in the test's folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("unit 1") << QStringList{"--report", "1", "--output", "@out/r.xlsx"} << 0 << "1 Unit: 2 members";
        QTest::newRow("special, empty") << QStringList{"--report", "special", "--output", "@out/r.xlsx"} << 0
                                        << "Special Assignment: 0 members";
        QTest::newRow("bad group") << QStringList{"--report", "4", "--output", "@out/r.xlsx"} << 2
                                   << "unknown group '4'";
        QTest::newRow("no output") << QStringList{"--report", "40"} << 2 << "--output";
        QTest::newRow("output folder missing")
            << QStringList{"--report", "2", "--output", "@none/r.xlsx"} << 1 << "does not exist";
        QTest::newRow("output is a folder") << QStringList{"--report", "2", "--output", "@out"} << 1 << "is a folder";
        QTest::newRow("missing database")
            << QStringList{"--report", "3", "--output", "@out/r.xlsx", "--database", "@gone.mdb"} << 1 << "gone.mdb";
        QTest::newRow("value too long for a cell")
            << QStringList{"--report", "1", "--output", "@out/r.xlsx", "--database", "@long.mdb"} << 1
            << "Cell 2 of row 2 could not be written";
    }
    void reportCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (!arguments.contains(u"--database"))
            arguments << QStringLiteral("--database") << QStringLiteral("@MaskTest.mdb");
        // One member whose name is longer than a cell can hold: the workbook fails part-way.
        if (arguments.contains(u"@long.mdb"))
            test::createDatabase(m_dir.path(), {row({{"ID", "A001"}, {"Last", QString(40000, u'X')}, {"Unit", "1"}})},
                                 QStringLiteral("long.mdb"));
        for (QString& argument : arguments) {
            if (argument.startsWith(u'@'))
                argument = m_dir.filePath(argument.mid(1));
        }
        const auto [code, output] = test::run(QStringList{QStringLiteral(VANTOR_EXECUTABLE)} + arguments);
        QCOMPARE(code, exitCode);
        QVERIFY2(output.contains(said), qPrintable(output));
        QCOMPARE(workbooks(), exitCode == 0 ? QStringList{"r.xlsx"} : QStringList());
        if (exitCode == 0)
            QCOMPARE(read(QDir(m_out).filePath(QStringLiteral("r.xlsx"))).cell("A1")->text, QStringLiteral("ID"));
    }

private:
    std::unique_ptr<frmQuery> window(const QString& folder)
    {
        auto query = std::make_unique<frmQuery>(
            m_dialogs, RecordsLocation::file(QDir(folder).filePath(QStringLiteral("MaskTest.mdb"))), nullptr);
        query->setWorkbookDirectory(m_out);
        query->setWorkbookOpener([this](const QUrl& url) { return m_opened << url, m_openSucceeds; });
        return query;
    }
    void choose(int position)
    {
        auto* list = m_query->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(position)).center());
    }
    void send() { QTest::keyClick(m_query.get(), Qt::Key_S, Qt::AltModifier); }
    QStringList workbooks() const { return QDir(m_out).entryList(QDir::Files); }
    static XlsxContent read(const QString& path)
    {
        XlsxContent content;
        QString error;
        if (!content.load(path, &error))
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return content;
    }

    QTemporaryDir m_dir;
    QString m_out = m_dir.filePath(QStringLiteral("out"));
    test::ScriptedDialogService m_dialogs;
    std::unique_ptr<frmQuery> m_query;
    QList<QUrl> m_opened;
    bool m_openSucceeds = true;
};

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
