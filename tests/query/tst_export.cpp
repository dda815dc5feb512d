#include "markingtranslator.h"
#include "scripteddialogs.h"
#include "testdatabase.h"
#include "xlsxcontent.h"

#include <exporttoexcel.h>
#include <frmquery.h>

#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

#include <sys/stat.h>

using namespace vantor;
using test::row;
using test::XlsxContent;

namespace {

// The longest text a cell of a workbook holds, in UTF-16 code units.
constexpr int CellLimit = 32767;

const QString WorkbookType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");

bool writeFile(const QString& path, const QString& text, bool executable = false)
{
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text.toUtf8());
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
}

int modeOf(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

} // namespace

class tst_Export : public QObject
{
    Q_OBJECT

private slots:
    // A desktop of the test's own: its home and documents, the applications registered for
    // workbooks, and an xdg-open that starts and fails, as it does where no spreadsheet
    // program is installed. Set before anything asks the desktop.
    void initTestCase()
    {
        const QDir desk(m_desktop.path());
        for (const char* folder : {"home/Documents", "config", "etc", "data/applications", "share", "programs"})
            QVERIFY(desk.mkpath(QLatin1String(folder)));
        qputenv("HOME", desk.filePath("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", desk.filePath("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", desk.filePath("etc").toUtf8());
        qputenv("XDG_DATA_HOME", desk.filePath("data").toUtf8());
        qputenv("XDG_DATA_DIRS", desk.filePath("share").toUtf8());
        qputenv("PATH", desk.filePath("bin").toUtf8() + ':' + qgetenv("PATH"));
        QVERIFY(writeFile(desk.filePath("bin/xdg-open"), QStringLiteral("#!/bin/sh\nexit 3\n"), true));
        for (const char* program : {"libreoffice-calc", "sheets"}) {
            const QString exec = desk.filePath(QStringLiteral("programs/%1").arg(QLatin1String(program)));
            QVERIFY(writeFile(desk.filePath(QStringLiteral("data/applications/%1.desktop").arg(QLatin1String(program))),
                              QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 %f\nMimeType=%3;\n")
                                  .arg(QLatin1String(program), exec, WorkbookType)));
        }
        QVERIFY(writeFile(
            desk.filePath("config/mimeapps.list"),
            QStringLiteral("[Default Applications]\n%1=libreoffice-calc.desktop;sheets.desktop;\n").arg(WorkbookType)));
    }
    void init()
    {
        QVERIFY(QDir().mkpath(m_out));
        QFile::remove(m_dir.filePath(QStringLiteral("MaskTest.mdb")));
        QMap<QString, QVariant> first{{"ID", " A001 "}, {"Last", "  VAN  DYKE  "}, {"First", "=1+2"}, {"Init", "007"}};
        first.insert({{"Unit", "1"}, {"Batt", "1"}, {"Year", QString::number(test::storeYear().toInt() - 1)}});
        first.insert(QStringLiteral("AssignTo"), QStringLiteral("   "));
        test::createDatabase(
            m_dir.path(),
            {row(first),
             row({{"ID", "A002"}, {"Last", "ABERNATHY-WILLIAMSON"}, {"Unit", "1"}, {"Batt", "2"}, {"Year", ""}})});
        m_opened.clear();
        m_query = window(m_dir.path());
        m_query->show();
        QVERIFY(QTest::qWaitForWindowActive(m_query.get()));
    }
    void cleanup()
    {
        m_query.reset();
        m_dialogs.clear();
        QDir(m_out).removeRecursively();
        QDir(QDir(m_desktop.path()).filePath("home/Documents")).removeRecursively();
        QDir(m_desktop.path()).mkpath("home/Documents");
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
    // Five printouts that look alike are told apart by their header; none spills a column
    // onto a page of its own.
    void printoutNamesItsListAndFitsOnePageAcross_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("list");
        const QStringList lists{"1 Unit", "2 Unit", "3 Unit", "40 Hrs.", "Special Assignment"};
        for (int i = 0; i < lists.size(); ++i)
            QTest::newRow(qPrintable(lists.at(i))) << i << lists.at(i);
    }
    void printoutNamesItsListAndFitsOnePageAcross()
    {
        QFETCH(int, position);
        QFETCH(QString, list);
        const XlsxContent book = sendFrom(m_dir.path(), position);
        const QString file = m_opened.first().toLocalFile();
        const QString day = QDate::currentDate().toString(Qt::ISODate);
        QVERIFY2(QFileInfo(file).fileName().startsWith(QStringLiteral("Not tested %1 - %2").arg(day, list)),
                 qPrintable(file));
        QVERIFY(book.fitToPage);
        QCOMPARE((QStringList{book.fitToWidth, book.fitToHeight}), (QStringList{"1", "0"}));
        const QString title = QStringLiteral("Not tested in %1 \u2014 %2").arg(test::storeYear(), list);
        QVERIFY2(book.header.contains(u"&C") && book.header.endsWith(title), qPrintable(book.header));
        QVERIFY2(book.footer.contains(u"&D") && book.footer.contains(u"Page &P of &N"), qPrintable(book.footer));
        QVERIFY(m_dialogs.messages.isEmpty());
    }
    // However long its values, a list prints at full size across a landscape Letter page (the
    // narrower of Letter and A4, less the margins of 0.7 in): its widest columns share the page
    // and a value longer than its column wraps within it. A usual list keeps its fitted widths.
    void printoutStaysReadable_data()
    {
        QTest::addColumn<QString>("field"); // given a long value in the one member's record; empty: the usual list
        QTest::addColumn<int>("length");
        QTest::newRow("usual list") << QString() << 0;
        QTest::newRow("400-character Assigned To") << "AssignTo" << 400;
        QTest::newRow("32,767-character Last") << "Last" << CellLimit;
        QTest::newRow("every field long") << "*" << 60;
    }
    void printoutStaysReadable()
    {
        QFETCH(QString, field);
        QFETCH(int, length);
        QTemporaryDir dir;
        QString folder = m_dir.path();
        if (!field.isEmpty()) {
            QMap<QString, QVariant> member{{"ID", "A001"}, {"Unit", "1"}, {"Batt", "1"}};
            const QString fields = QStringLiteral("Last First Init Rank Kelly Assign Month Day Year AssignTo");
            for (const QString& name : fields.split(u' ')) {
                if (field == u"*" || field == name)
                    member.insert(name, QStringLiteral("WORD ").repeated(length / 5 + 1).left(length));
            }
            test::createDatabase(dir.path(), {row(member)});
            folder = dir.path();
        }
        const XlsxContent book = sendFrom(folder, 0);
        // A column's width is written in characters of the standard face, 7 pixels each, its
        // margin of 5 pixels included; a column left at the standard width is 64 pixels wide.
        double pixels = 0;
        for (int c = 1; c <= 14; ++c) {
            const XlsxContent::Column* column = book.column(c);
            pixels += column ? 7 * column->width : 64;
        }
        QVERIFY2(pixels <= (11 - 2 * 0.7) * 96, qPrintable(QString::number(pixels)));
        for (auto cell = book.cells.cbegin(); cell != book.cells.cend(); ++cell) {
            const XlsxContent::Column* column = book.column(cell.key().front().unicode() - u'A' + 1);
            const double width = column ? column->width : 8.43;
            if (double(cell->text.size()) <= width)
                continue;
            QVERIFY2(book.styles.value(cell->style).wrap, qPrintable(cell.key()));
            // Its row holds its lines, up to the tallest row there is; none is wider than the column.
            const int row = QString(cell.key()).remove(0, 1).toInt();
            const double lines = std::ceil(double(cell->text.size()) / width);
            QVERIFY2(book.rowHeights.value(row) >= std::min(lines * 13, 409.0), qPrintable(cell.key()));
        }
        if (field.isEmpty())
            QVERIFY(book.column(2)->width >= 20);
    }
    // The printout's texts and the workbook's name reach the translator; the page codes stay out.
    void printoutIsTranslatable()
    {
        test::MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        const auto remove = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
        const XlsxContent book = sendFrom(m_dir.path(), 0);
        QCOMPARE(test::unmarked(book.header), QStringLiteral("&C&12&\"-,Bold\""));
        QCOMPARE(test::unmarked(book.footer), QStringLiteral("&L&R"));
        const QString name = QFileInfo(m_opened.first().toLocalFile()).completeBaseName();
        QVERIFY2(QRegularExpression(QStringLiteral("^-\\w{6}$")).match(test::unmarked(name)).hasMatch(),
                 qPrintable(name));
    }
    // Before any query the list is not sent; a second send without a new query has the header only.
    void sendsOnlyAfterAQueryAndTheHeaderOnlyTwice()
    {
        send();
        QTRY_COMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Exclamation);
        QVERIFY(m_dialogs.messages.first().prompt.contains(u"click one of the items"));
        QVERIFY(m_opened.isEmpty() && workbooks().isEmpty());
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
    // The desktop's program for workbooks shows the list; where it has none, the list is
    // offered for saving (see filesTakeTheUmaskOrStayPrivate), in the documents folder under a
    // name that tells it.
    void desktopShowsTheWorkbookOrOffersToSaveIt_data()
    {
        QTest::addColumn<QStringList>("installed"); // programs of the registered applications
        QTest::addColumn<QString>("started"); // the command the desktop ran; @: the workbook
        QTest::newRow("LibreOffice: a new document from the workbook")
            << QStringList{"libreoffice-calc", "sheets"} << "libreoffice-calc -n @";
        QTest::newRow("another program") << QStringList{"sheets"} << "sheets @";
        QTest::newRow("none installed, saving cancelled") << QStringList() << QString();
    }
    void desktopShowsTheWorkbookOrOffersToSaveIt()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, started);
        const QDir desk(m_desktop.path());
        const QString log = desk.filePath("started.log");
        QFile::remove(log);
        const auto uninstall = qScopeGuard([&] {
            for (const QString& program : installed)
                QFile::remove(desk.filePath("programs/" + program));
        });
        for (const QString& program : installed)
            QVERIFY(writeFile(desk.filePath("programs/" + program),
                              QStringLiteral("#!/bin/sh\necho \"${0##*/} $*\" >> '%1'\n").arg(log), true));
        print(*window(m_dir.path(), false), 0); // the desktop's own opener
        if (!started.isEmpty()) {
            QCOMPARE(workbooks().size(), 1);
            const QString file = QDir(m_out).filePath(workbooks().first());
            QTRY_COMPARE(QString::fromUtf8(test::fileBytes(log)).trimmed(), started.replace(u'@', file));
            QVERIFY(m_dialogs.files.isEmpty() && m_dialogs.messages.isEmpty());
            return;
        }
        const QString name
            = QStringLiteral("Not tested %1 - 1 Unit.xlsx").arg(QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(m_dialogs.files.size(), 1);
        QCOMPARE(m_dialogs.files.first().path, desk.filePath("home/Documents/" + name));
        QVERIFY(m_dialogs.files.first().filter.contains(u"*.xlsx"));
        QVERIFY2(workbooks().isEmpty(), qPrintable(workbooks().join(u' '))); // the temporary one is gone
        QVERIFY(QDir(desk.filePath("home/Documents")).isEmpty() && m_dialogs.messages.isEmpty());
    }
    // Workbooks are left for the spreadsheet program to read; a day later they have been read.
    void oldWorkbooksAreRemovedWhenTheNextIsMade()
    {
        const QDir out(m_out);
        const QStringList stale{"Not tested 2026-01-05 - 2 Unit-a1B2c3.xlsx", "Untested personnel-d4E5f6.xlsx"};
        const QStringList kept{"Not tested 2026-01-06 - 3 Unit-g7H8i9.xlsx", "Not tested by the department.xlsx"};
        for (const QString& name : stale + kept) {
            QVERIFY(writeFile(out.filePath(name), QStringLiteral("workbook")));
            QFile file(out.filePath(name));
            const qint64 age = name == kept.first() ? 3600 : 2 * 86400;
            QVERIFY(file.open(QIODevice::ReadWrite)
                    && file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
        }
        choose(0);
        send();
        QTRY_COMPARE(m_opened.size(), 1);
        QStringList left = workbooks();
        QVERIFY(left.removeOne(QFileInfo(m_opened.first().toLocalFile()).fileName()));
        QCOMPARE(left, kept);
    }
    // A value longer than a cell holds is cut, between characters, and the rest of the list still prints.
    void overLongValuesAreCutAndNamedOnce()
    {
        const QString smile = QStringLiteral("\U0001F600");
        QTemporaryDir dir;
        test::createDatabase(
            dir.path(),
            {row({{"ID", "A001"}, {"Last", QString(40000, u'X')}, {"Unit", "1"}, {"Batt", "1"}}),
             row({{"ID", "A002"}, {"Unit", "1"}, {"Batt", "2"}, {"First", QString(CellLimit - 1, u'Y') + smile + "Z"}}),
             row({{"ID", "A003"}, {"Last", QString(CellLimit, u'W')}, {"Unit", "1"}, {"Batt", "3"}})});
        const XlsxContent book = sendFrom(dir.path(), 0);
        QCOMPARE(book.lastRow, 4);
        QCOMPARE(book.cell("B2")->text, QString(CellLimit, u'X'));
        QCOMPARE(book.cell("C3")->text, QString(CellLimit - 1, u'Y'));
        QCOMPARE(book.cell("B4")->text, QString(CellLimit, u'W'));
        QCOMPARE(m_dialogs.messages.size(), 1);
        const QString prompt = m_dialogs.messages.first().prompt;
        QVERIFY2(prompt.contains(u"A001 (Last), A002 (First)") && !prompt.contains(u"A003"), qPrintable(prompt));
    }
    // A long export can be cancelled once its progress shows; it then leaves nothing behind.
    void cancelledExportLeavesNoWorkbook()
    {
        QTemporaryDir dir;
        createUnitTwo(dir.path(), 3000);
        const auto query = window(dir.path());
        query->setProgressDelay(0);
        query->show();
        QVERIFY(QTest::qWaitForWindowExposed(query.get()));
        query->findChild<QListWidget*>(QStringLiteral("lstBattalions"))->setCurrentRow(1);

        int shownAt = -1;
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            auto* progress = query->findChild<QProgressDialog*>(QStringLiteral("prgExport"));
            if (!progress || !progress->isVisible() || progress->value() < 1000 || shownAt >= 0)
                return;
            shownAt = progress->value();
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        user.start(0);
        QTest::keyClick(query.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(shownAt >= 1000);
        QTRY_VERIFY(!query->findChild<QProgressDialog*>(QStringLiteral("prgExport")));
        QVERIFY2(shownAt < 3000, "cancelled only at the end");
        QVERIFY(m_opened.isEmpty() && workbooks().isEmpty() && m_dialogs.messages.isEmpty());
    }
    void rowsRunPastTheOldLimitUpToTheSheetsLast()
    {
        QTemporaryDir dir;
        createUnitTwo(dir.path(), 33000);
        const XlsxContent book = sendFrom(dir.path(), 1);
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
        QTest::addColumn<QString>("arguments"); // @: in the test's folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("unit 1") << "--report 1 --output @out/r.xlsx" << 0 << "1 Unit: 2 members";
        QTest::newRow("special, empty") << "--report special --output @out/r.xlsx" << 0
                                        << "Special Assignment: 0 members";
        QTest::newRow("bad group") << "--report 4 --output @out/r.xlsx" << 2 << "unknown group '4'";
        QTest::newRow("no output") << "--report 40" << 2 << "--output";
        QTest::newRow("output folder missing") << "--report 2 --output @none/r.xlsx" << 1 << "does not exist";
        QTest::newRow("output is a folder") << "--report 2 --output @out" << 1 << "is a folder";
        QTest::newRow("missing database") << "--report 3 --output @out/r.xlsx --database @gone.mdb" << 1 << "gone.mdb";
        QTest::newRow("value too long for a cell")
            << "--report 1 --output @out/r.xlsx --database @long.mdb" << 0 << "cut to fit: A001 (Last)";
    }
    void reportCommand()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (!arguments.contains(u"--database"))
            arguments += QStringLiteral(" --database @MaskTest.mdb");
        // One member whose name is longer than a cell can hold.
        if (arguments.contains(u"@long.mdb"))
            test::createDatabase(m_dir.path(), {row({{"ID", "A001"}, {"Last", QString(40000, u'X')}, {"Unit", "1"}})},
                                 QStringLiteral("long.mdb"));
        QStringList command{QStringLiteral(VANTOR_EXECUTABLE)};
        for (const QString& argument : arguments.split(u' '))
            command << (argument.startsWith(u'@') ? m_dir.filePath(argument.mid(1)) : argument);
        const auto [code, output] = test::run(command);
        QCOMPARE(code, exitCode);
        QVERIFY2(output.contains(said), qPrintable(output));
        QCOMPARE(output.count(u"cut to fit"), said.contains(u"cut to fit") ? 1 : 0);
        QCOMPARE(workbooks(), exitCode == 0 ? QStringList{"r.xlsx"} : QStringList());
        if (exitCode == 0)
            QCOMPARE(read(QDir(m_out).filePath(QStringLiteral("r.xlsx"))).cell("A1")->text, QStringLiteral("ID"));
    }
    // A file the user asks for is made as any new file is, under the umask: 077 keeps the list
    // of names from everyone else on the machine. The workbook left in the temporary folder is
    // the user's alone, whatever the umask.
    void filesTakeTheUmaskOrStayPrivate_data()
    {
        QTest::addColumn<QString>("how"); // "report", "saved" from the window, "opened" from the temporary folder
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("replacing"); // a file of that name, mode 0600, is there
        QTest::addColumn<int>("mode");
        QTest::newRow("report, umask 077") << "report" << 077 << false << 0600;
        QTest::newRow("report, umask 022") << "report" << 022 << false << 0644;
        QTest::newRow("report, umask 002, replacing") << "report" << 002 << true << 0664;
        QTest::newRow("saved, umask 077") << "saved" << 077 << false << 0600;
        QTest::newRow("saved, umask 027, replacing") << "saved" << 027 << true << 0640;
        QTest::newRow("saved, umask 0") << "saved" << 0 << false << 0666;
        QTest::newRow("temporary, umask 0") << "opened" << 0 << false << 0600;
    }
    void filesTakeTheUmaskOrStayPrivate()
    {
        QFETCH(QString, how);
        QFETCH(int, mask);
        QFETCH(bool, replacing);
        QFETCH(int, mode);
        const QString documents = QDir(m_desktop.path()).filePath(QStringLiteral("home/Documents"));
        QString written = how == u"report" ? QDir(m_out).filePath(QStringLiteral("r.xlsx"))
                                           : QDir(documents).filePath(QStringLiteral("printed.xlsx"));
        if (replacing) {
            QVERIFY(writeFile(written, QStringLiteral("last night's list")));
            QVERIFY(QFile::setPermissions(written, QFile::ReadOwner | QFile::WriteOwner));
        }
        if (how == u"report") {
            // As a scheduled job's shell would start it.
            const auto [code, output] = test::run(
                {QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("umask %1; exec \"$0\" \"$@\"").arg(mask, 3, 8), QStringLiteral(VANTOR_EXECUTABLE),
                 "--report", "1", "--output", written, "--database", m_dir.filePath(QStringLiteral("MaskTest.mdb"))});
            QVERIFY2(code == 0, qPrintable(output));
        } else {
            const mode_t before = ::umask(mode_t(mask));
            const auto restore = qScopeGuard([before] { ::umask(before); });
            // Saved where the desktop has no program to show it: named without the suffix, which
            // the save adds, unless a file is replaced.
            const auto query = window(m_dir.path(), how == u"opened");
            if (how == u"saved")
                m_dialogs.answerFile(replacing ? written : written.chopped(5));
            else
                query->setWorkbookOpener([&written](const QUrl& file) { return written = file.toLocalFile(), true; });
            print(*query, 0);
        }
        if (how == u"saved") {
            QVERIFY2(workbooks().isEmpty(), qPrintable(workbooks().join(u' '))); // the temporary one is gone
            QCOMPARE(m_dialogs.messages.size(), 1);
            QVERIFY(m_dialogs.messages.first().prompt.contains(u"printed.xlsx"));
        }
        QCOMPARE(QString::number(modeOf(written), 8), QString::number(mode, 8));
        QCOMPARE(read(written).lastRow, 3);
        // Nothing else is left beside it, not even a hidden part of it.
        QCOMPARE(QDir(QFileInfo(written).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(written).fileName()});
    }

private:
    // A query window on the records in `folder`; its workbooks are noted in m_opened, or shown by the desktop.
    std::unique_ptr<frmQuery> window(const QString& folder, bool noted = true)
    {
        auto query = std::make_unique<frmQuery>(
            m_dialogs, RecordsLocation::file(QDir(folder).filePath(QStringLiteral("MaskTest.mdb"))), nullptr);
        query->setWorkbookDirectory(m_out);
        if (noted)
            query->setWorkbookOpener([this](const QUrl& url) { return m_opened << url, true; });
        return query;
    }
    static void print(frmQuery& query, int position)
    {
        query.findChild<QListWidget*>(QStringLiteral("lstBattalions"))->setCurrentRow(position);
        query.findChild<QPushButton*>(QStringLiteral("cmdPrint"))->click();
    }
    // Sends list `position` of the records in `folder` from a window of its own; the workbook opened.
    XlsxContent sendFrom(const QString& folder, int position)
    {
        print(*window(folder), position);
        if (m_opened.size() == 1)
            return read(m_opened.first().toLocalFile());
        QTest::qFail("no workbook was opened", __FILE__, __LINE__);
        return {};
    }
    // `count` members of unit 2, none tested: the "2 Unit" list.
    static void createUnitTwo(const QString& folder, int count)
    {
        QList<test::Row> many;
        for (int i = 0; i < count; ++i)
            many << row({{"ID", QStringLiteral("B%1").arg(i % 1000, 3, 10, QLatin1Char('0'))}, {"Unit", "2"}});
        test::createDatabase(folder, many);
    }
    void choose(int position)
    {
        auto* list = m_query->findChild<QListWidget*>(QStringLiteral("lstBattalions"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(position)).center());
    }
    void send() { QTest::keyClick(m_query.get(), Qt::Key_S, Qt::AltModifier); }
    QStringList workbooks() const { return QDir(m_out).entryList(QDir::Files | QDir::Hidden); }
    static XlsxContent read(const QString& path)
    {
        XlsxContent content;
        QString error;
        if (!content.load(path, &error))
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return content;
    }

    QTemporaryDir m_desktop;
    QTemporaryDir m_dir;
    QString m_out = m_dir.filePath(QStringLiteral("out"));
    test::ScriptedDialogService m_dialogs;
    std::unique_ptr<frmQuery> m_query;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
