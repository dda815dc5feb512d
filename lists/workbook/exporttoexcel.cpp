#include "exporttoexcel.h"

#include "newfile.h"
#include "xlsxbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

#include <algorithm>

namespace vantor {

using namespace spreadsheet;

namespace {

// The translators' context of the printout's texts and the export's failures.
struct Export {
    Q_DECLARE_TR_FUNCTIONS(vantor::ExportToExcel)
};

constexpr int ColumnD = 4;
constexpr int ColumnM = 13;
constexpr qint32 Red = 255;

// A null value stays null: the cell is left empty.
QString trimmedText(const QVariant& value)
{
    return value.isValid() ? value.toString().trimmed() : QString();
}

void stopOn(const StoreError& error)
{
    if (error)
        throw Error(Export::tr("The list could not be read: %1 (error %2)")
                        .arg(error.description, QString::number(error.number)));
}

// The header names the list and the year; the footer the day printed and the page.
void setHeaderAndFooter(PageSetup& page, const ExportOptions& options)
{
    if (!options.listName.isEmpty()) {
        QString title = printedTitle(options.listName, options.year);
        page.centerHeader = QStringLiteral("&12&\"-,Bold\"") + title.replace(u'&', QStringLiteral("&&"));
    }
    //: &D is the spreadsheet program's code for the day printed; keep it as it is.
    page.leftFooter = Export::tr("Printed &D");
    //: &P and &N are the spreadsheet program's codes for the page and the number of pages; keep them as they are.
    page.rightFooter = Export::tr("Page &P of &N");
}

} // namespace

QString printedTitle(const QString& listName, int year)
{
    return Export::tr("Not tested in %1 \u2014 %2").arg(QString::number(year), listName);
}

QString describeCutValues(const std::vector<CutValue>& cut, int named)
{
    QStringList names;
    for (const CutValue& value : cut) {
        if (names.size() == named)
            break;
        const QString record = value.record.isEmpty() ? Export::tr("row %1").arg(value.row) : value.record;
        //: A record whose value was cut, and the field: "A001 (Last)".
        names << Export::tr("%1 (%2)").arg(record, value.field);
    }
    const QString text = names.join(Export::tr(", "));
    if (qsizetype(cut.size()) > names.size())
        return Export::tr("%1 and %2 more").arg(text, QString::number(qsizetype(cut.size()) - names.size()));
    return text;
}

namespace {

// Puts the record set back `moved` records before where it stands: where an export that did not
// finish found it, so that the next one writes what this one would have. A record set only goes
// forward, so its place is counted from its end.
void stepBack(RecordSet& rs, qint64 moved)
{
    if (moved == 0)
        return;
    qint64 toEnd = 0;
    while (!rs.eof() && !rs.moveNext())
        ++toEnd;
    qint64 before = qint64(rs.recordCount()) - toEnd - moved;
    if (rs.moveFirst())
        return;
    while (before-- > 0 && !rs.moveNext()) { }
}

// The export itself; `moved` counts the records the record set has moved on.
ExportResult writeList(RecordSet& rs, const Host& host, const ExportOptions& options, qint64& moved)
{
    ExportResult result;
    // 1, 2. A new workbook; nothing is shown until it is complete.
    Workbook xlBook(host);
    // 3. Its active sheet receives the list.
    Sheet& xlSheet = xlBook.activeSheet();

    // 4. Only the sheet named Sheet1 stays visible.
    for (Sheet& sheet : xlBook.sheets()) {
        if (sheet.name() != QLatin1String("Sheet1"))
            sheet.hide();
    }

    // 5. Print settings of the first sheet.
    PageSetup& page = xlBook.sheets().front().pageSetup();
    page.printTitleRows = QStringLiteral("$1:$1");
    page.printGridlines = true;
    page.orientation = Orientation::Landscape;
    // Every column on one page across, however many pages down: a column alone on a page
    // of its own is lost to whoever reads the printout.
    page.fitToPagesWide = 1;
    page.fitToPagesTall = 0;
    setHeaderAndFooter(page, options);

    // 6. Columns D to M centred.
    for (int column = ColumnD; column <= ColumnM; ++column)
        xlSheet.setColumnAlignment(column, HorizontalAlignment::Center);

    // 7. The header row from the field names.
    for (int i = 0; i < rs.fieldCount(); ++i) {
        Cell& cell = xlSheet.cell(1, i + 1);
        cell.setValue(rs.fieldName(i).trimmed());
        cell.font.bold = true;
        cell.font.color = Red;
        cell.font.size = 10;
    }

    // 8. One row per record, from the current record to the end of the set. The column is
    // fitted after each cell and before the cell's font is set, as the list was always made.
    // A value too long for a cell is cut rather than losing everyone's list to it.
    const int idField = rs.fieldIndex(QStringLiteral("ID"));
    qint64 row = 2;
    while (!rs.eof()) {
        for (int j = 0; j < rs.fieldCount(); ++j) {
            StoreError error;
            const QVariant value = rs.value(j, &error);
            stopOn(error);
            Cell& cell = xlSheet.cell(row, j + 1);
            cell.setValue(trimmedText(value));
            if (cell.isCut())
                result.cut.push_back({row, idField >= 0 ? trimmedText(rs.value(idField)) : QString(), rs.fieldName(j)});
            xlSheet.autoFitColumn(j + 1);
            cell.font.size = 10;
        }
        stopOn(rs.moveNext());
        ++moved;
        if (options.progress && (row - 1) % std::max<qint64>(options.progressEvery, 1) == 0
            && !options.progress(row - 1)) {
            // The workbook goes unfinished, and with it its file.
            result.cancelled = true;
            return result;
        }
        ++row;
    }

    // 9, 10. Showing the workbook completes it and hands it to the user; nothing of it is kept.
    xlBook.show();
    return result;
}

} // namespace

ExportResult ExportToExcel(RecordSet& rs, const Host& host, const ExportOptions& options)
{
    qint64 moved = 0;
    try {
        ExportResult result = writeList(rs, host, options, moved);
        if (result.cancelled)
            stepBack(rs, moved);
        return result;
    } catch (...) {
        stepBack(rs, moved);
        throw;
    }
}

namespace {

// A new, empty file for a workbook; the writer keeps the mode it was created with.
QString createWorkbookFile(const QString& directory, const QString& baseName, WorkbookFile kind)
{
    QString name;
    QString error;
    if (kind == WorkbookFile::Requested) {
        name = newfile::createUnique(directory, baseName + u'-', QStringLiteral(".xlsx"), &error);
    } else {
        QTemporaryFile file(QDir(directory).filePath(baseName + QStringLiteral("-XXXXXX.xlsx")));
        file.setAutoRemove(false);
        if (file.open())
            name = file.fileName();
        else
            error = file.errorString();
    }
    if (name.isEmpty())
        throw spreadsheet::Error(
            Export::tr("A new workbook cannot be created in %1: %2").arg(QDir::toNativeSeparators(directory), error));
    return name;
}

} // namespace

spreadsheet::Host xlsxFileHost(const QString& directory, std::function<void(const QString& fileName)> show,
                               const QString& baseName, WorkbookFile file)
{
    spreadsheet::Host host;
    host.createWorkbook
        = [directory, baseName, file](const QStringList& sheetNames) -> std::unique_ptr<spreadsheet::WorkbookWriter> {
        return std::make_unique<XlsxWorkbook>(createWorkbookFile(directory, baseName, file), sheetNames);
    };
    host.showWorkbook = std::move(show);
    return host;
}

} // namespace vantor
