#include "scripteddialogs.h"
#include "testdatabase.h"
#include "xlsxcontent.h"

#include <exporttoexcel.h>
#include <frmquery.h>

#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using test::row;
using test::XlsxContent;

namespace {

const QString Columns = QStringLiteral("ABCDEFGHIJKLMN");

QString ref(int column, int rowNumber)
{
    return Columns.at(column - 1) + QString::number(rowNumber);
}

} // namespace

class tst_Export : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void workbookHoldsTheListFormattedForPrinting();
    void secondExportWithoutNewQueryHasTheHeaderOnly();
    void sendingBeforeAnyQueryCreatesNothing();
    void unopenedWorkbookCanBeSavedInstead_data();
    void unopenedWorkbookCanBeSavedInstead();
    void rowsRunPastTheOldLimitUpToTheSheetsLast();
    void reportCommand_data();
    void reportCommand();

private:
    void choose(int position);
    void send();
    QStringList workbooks() const;
    XlsxContent readOnly(const QString& path);

    QTemporaryDir m_dir;
    QString m_out;
    test::ScriptedDialogService m_dialogs;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<frmQuery> m_query;
    QList<QUrl> m_opened;
    bool m_openSucceeds = true;
};

void tst_Export::init()
{
    const QString lastYear = QString::number(test::storeYear().toInt() - 1);
    QDir(m_dir.path()).mkpath(QStringLiteral("out"));
    m_out = QDir(m_dir.path()).filePath(QStringLiteral("out"));
    QFile::remove(QDir(m_dir.path()).filePath(QStringLiteral("MaskTest.mdb")));
    test::createDatabase(m_dir.path(), {
        row({{"ID", " A001 "}, {"Last", "  VAN  DYKE  "}, {"First", "=1+2"}, {"Init", "007"}, {"Unit", "1"},
             {"Batt", "1"}, {"Assign", "E-2"}, {"Year", lastYear}, {"AssignTo", "   "}}),
        row({{"ID", "A002"}, {"Last", "ABERNATHY-WILLIAMSON"}, {"Unit", "1"}, {"Batt", "2"}, {"Year", ""}}),
    });
    m_main = std::make_unique<QWidget>();
    m_query = std::make_unique<frmQuery>(m_dialogs, m_dir.path(), m_main.get());
    m_query->setWorkbookDirectory(m_out);
    m_opened.clear();
    m_openSucceeds = true;
    m_query->setWorkbookOpener([this](const QUrl& url) {
        m_opened << url;
        return m_openSucceeds;
    });
    m_query->show();
    QVERIFY(QTest::qWaitForWindowActive(m_query.get()));
}

void tst_Export::cleanup()
{
    m_query.reset();
    m_main.reset();
    m_dialogs.clear();
    QDir(m_out).removeRecursively();
}

void tst_Export::choose(int position)
{
    auto* list = m_query->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(position)).center());
}

void tst_Export::send()
{
    QTest::keyClick(m_query.get(), Qt::Key_S, Qt::AltModifier);
}

QStringList tst_Export::workbooks() const
{
    return QDir(m_out).entryList(QDir::Files);
}

XlsxContent tst_Export::readOnly(const QString& path)
{
    XlsxContent content;
    QString error;
    if (!content.load(path, &error))
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
    return content;
}

void tst_Export::workbookHoldsTheListFormattedForPrinting()
{
    choose(0);
    send();
    QTRY_COMPARE(m_opened.size(), 1);
    QCOMPARE(workbooks().size(), 1);
    const XlsxContent book = readOnly(m_opened.first().toLocalFile());

    QCOMPARE(book.sheetNames, (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
    QCOMPARE(book.sheetStates, (QStringList{"", "hidden", "hidden"}));
    QCOMPARE(book.definedNames.value(QStringLiteral("_xlnm.Print_Titles@0")), QStringLiteral("Sheet1!$1:$1"));
    QVERIFY(book.printGridlines);
    QCOMPARE(book.orientation, QStringLiteral("landscape"));
    QCOMPARE(book.lastRow, 3);

    const QStringList fields{"ID", "Last", "First", "Init", "Rank", "Kelly", "Batt", "Unit", "Assign", "Month",
                             "Day", "Year", "Special", "AssignTo"};
    for (int c = 1; c <= 14; ++c) {
        const bool centred = c >= 4 && c <= 13;
        for (int r = 1; r <= 3; ++r) {
            const XlsxContent::Cell* cell = book.cell(ref(c, r));
            QVERIFY2(cell, qPrintable(ref(c, r)));
            QVERIFY2(!cell->hasFormula, qPrintable(ref(c, r)));
            QVERIFY2(!cell->hasValue || cell->type == u"inlineStr" || cell->type == u"s", qPrintable(ref(c, r)));
            const XlsxContent::Font font = book.fontOf(*cell);
            QCOMPARE(font.size, 10.0);
            QCOMPARE(font.bold, r == 1);
            QCOMPARE(font.color, r == 1 ? QStringLiteral("FFFF0000") : QString());
            QCOMPARE(book.alignmentOf(*cell), centred ? QStringLiteral("center") : QString());
        }
        QCOMPARE(book.cell(ref(c, 1))->text, fields.at(c - 1));
        // Columns D to M are centred below the list too; every column is fitted to its contents.
        const XlsxContent::Column* column = book.column(c);
        QVERIFY2(column, qPrintable(fields.at(c - 1)));
        QCOMPARE(column->style >= 0 && book.styles.value(column->style).second == u"center", centred);
    }
    QCOMPARE(book.cell("A2")->text, QStringLiteral("A001"));
    QCOMPARE(book.cell("B2")->text, QStringLiteral("VAN  DYKE"));
    QCOMPARE(book.cell("C2")->text, QStringLiteral("=1+2"));
    QCOMPARE(book.cell("D2")->text, QStringLiteral("007"));
    QVERIFY(!book.cell("E2")->hasValue);  // null
    QVERIFY(!book.cell("N2")->hasValue);  // only blanks
    QVERIFY(!book.cell("L3")->hasValue);  // empty text
    QCOMPARE(book.cell("B3")->text, QStringLiteral("ABERNATHY-WILLIAMSON"));
    QVERIFY(book.column(2)->width > book.column(1)->width + 10);
    QVERIFY(book.column(2)->width >= 20);
    QVERIFY(m_dialogs.messages.isEmpty());
}

void tst_Export::secondExportWithoutNewQueryHasTheHeaderOnly()
{
    choose(0);
    send();
    QTRY_COMPARE(m_opened.size(), 1);
    send();
    QTRY_COMPARE(m_opened.size(), 2);
    QVERIFY(m_opened.at(0) != m_opened.at(1));
    const XlsxContent second = readOnly(m_opened.at(1).toLocalFile());
    QCOMPARE(second.lastRow, 1);
    QCOMPARE(second.cell("N1")->text, QStringLiteral("AssignTo"));
    QCOMPARE(m_query->recordSet()->eof(), true);

    choose(1);
    choose(0);
    send();
    QTRY_COMPARE(m_opened.size(), 3);
    QCOMPARE(readOnly(m_opened.at(2).toLocalFile()).lastRow, 3);
}

void tst_Export::sendingBeforeAnyQueryCreatesNothing()
{
    send();
    QTRY_COMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Exclamation);
    QVERIFY(m_dialogs.messages.first().prompt.contains(QStringLiteral("click one of the items")));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(workbooks().isEmpty());
}

void tst_Export::unopenedWorkbookCanBeSavedInstead_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("saved") << true;
    QTest::newRow("declined") << false;
}

void tst_Export::unopenedWorkbookCanBeSavedInstead()
{
    QFETCH(bool, save);
    m_openSucceeds = false;
    const QString target = QDir(m_dir.path()).filePath(QStringLiteral("untested"));
    m_dialogs.answer(save ? MsgResult::Yes : MsgResult::No);
    if (save)
        m_dialogs.answerInput(target);
    choose(0);
    send();
    QTRY_COMPARE(m_opened.size(), 1);
    QVERIFY(workbooks().isEmpty());
    QCOMPARE(QFile::exists(target + QStringLiteral(".xlsx")), save);
    QCOMPARE(m_dialogs.messages.first().buttons, MsgButtons::YesNo);
    QVERIFY(m_dialogs.allAnswersUsed());
    if (save)
        QCOMPARE(readOnly(target + QStringLiteral(".xlsx")).lastRow, 3);
    QFile::remove(target + QStringLiteral(".xlsx"));
}

void tst_Export::rowsRunPastTheOldLimitUpToTheSheetsLast()
{
    QList<test::Row> many;
    for (int i = 0; i < 33000; ++i)
        many << row({{"ID", QStringLiteral("B%1").arg(i % 1000, 3, 10, QLatin1Char('0'))}, {"Unit", "2"}});
    QTemporaryDir dir;
    test::createDatabase(dir.path(), many);
    frmQuery query(m_dialogs, dir.path(), nullptr);
    query.setWorkbookDirectory(m_out);
    query.setWorkbookOpener([this](const QUrl& url) { return m_opened << url, true; });
    auto* list = query.findChild<QListWidget*>(QStringLiteral("lstBattalions"));
    list->setCurrentRow(1);
    query.findChild<QPushButton*>(QStringLiteral("cmdPrint"))->click();
    QCOMPARE(m_opened.size(), 1);
    const XlsxContent book = readOnly(m_opened.first().toLocalFile());
    QCOMPARE(book.lastRow, 33001);
    // Below the centred area the cells take the centring of their columns.
    QCOMPARE(book.alignmentOf(*book.cell("D33001")), QStringLiteral("center"));
    QCOMPARE(book.alignmentOf(*book.cell("N33001")), QString());

    spreadsheet::Application xlApp(xlsxFileHost(m_out, {}));
    const spreadsheet::Range range = xlApp.workbooks().add().activeSheet().range(QStringLiteral("A1:Z1000"));
    range.cells(spreadsheet::MaxRows, 1).setValue(QStringLiteral("last"));
    QVERIFY_THROWS_EXCEPTION(spreadsheet::Error, range.cells(spreadsheet::MaxRows + 1, 1));
}

void tst_Export::reportCommand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("unit 1") << QStringList{"--report", "1", "--output", "@out/r.xlsx"} << 0 << "1 Unit: 2 members";
    QTest::newRow("special, empty") << QStringList{"--report", "special", "--output", "@out/r.xlsx"} << 0
                                    << "Special Assignment: 0 members";
    QTest::newRow("bad group") << QStringList{"--report", "4", "--output", "@out/r.xlsx"} << 2 << "unknown group '4'";
    QTest::newRow("no output") << QStringList{"--report", "40"} << 2 << "--output";
    QTest::newRow("output folder missing") << QStringList{"--report", "2", "--output", "@none/r.xlsx"} << 1
                                           << "does not exist";
    QTest::newRow("output is a folder") << QStringList{"--report", "2", "--output", "@out"} << 1 << "is a folder";
    QTest::newRow("missing database") << QStringList{"--report", "3", "--output", "@out/r.xlsx", "--database", "@gone.mdb"}
                                      << 1 << "gone.mdb";
}

void tst_Export::reportCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    bool databaseGiven = false;
    for (QString& argument : arguments) {
        databaseGiven = databaseGiven || argument == u"--database";
        if (argument.startsWith(u'@'))
            argument = QDir(m_dir.path()).filePath(argument.mid(1));
    }
    if (!databaseGiven)
        arguments << QStringLiteral("--database") << QDir(m_dir.path()).filePath(QStringLiteral("MaskTest.mdb"));
    QProcess vantor;
    vantor.start(QStringLiteral(VANTOR_EXECUTABLE), arguments);
    QVERIFY(vantor.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(vantor.readAllStandardOutput() + vantor.readAllStandardError());
    QCOMPARE(vantor.exitCode(), exitCode);
    QVERIFY2(output.contains(said), qPrintable(output));
    const QString report = QDir(m_out).filePath(QStringLiteral("r.xlsx"));
    QCOMPARE(QFile::exists(report), exitCode == 0);
    QCOMPARE(workbooks().size(), exitCode == 0 ? 1 : 0);
    if (exitCode == 0)
        QCOMPARE(readOnly(report).cell("A1")->text, QStringLiteral("ID"));
}

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
