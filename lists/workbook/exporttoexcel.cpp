#include "exporttoexcel.h"

#include "newfile.h"
#include "xlsxbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

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

// The page a list is printed on, landscape Letter, the narrower of Letter and A4: 11 in across
// less the workbook's margins of 0.7 in either side, at 96 pixels an inch.
constexpr double PagePixels = (11.0 - 2 * 0.7) * 96;

// How wide `columns` columns may be together, in characters, to print at full size across the
// page, where a column takes 7 pixels for every character of its width and 5 for its margins:
// fitting one page across then never makes the list smaller.
double pageCharacters(int columns)
{
    return (PagePixels - 5.0 * columns) / 7;
}

// How a wrapped value is laid out in the printout. A line breaks between words and so ends
// short of the column's edge, by half a word on the whole: lines are counted a tenth fuller than
// the text alone would make them. A line of 10-point text takes 13.5 points; no row is taller
// than 409 points, so a value longer than that shows its beginning.
constexpr double LineSlack = 1.1;
constexpr double LinePoints = 13.5;
constexpr double TallestRow = 409;

// Wraps the cell where it is wider than its column's `limit` and returns the height, in points,
// its lines need; 0 where it fits.
double wrapToLimit(Cell& cell, std::optional<double> limit)
{
    const double width = cell.width() + 1;
    cell.wrapText = limit && width > *limit;
    if (!cell.wrapText)
        return 0;
    const double lines = std::ceil(width * LineSlack / std::max(*limit - 1, 1.0));
    return std::min(lines * LinePoints, TallestRow);
}

// Gives the row being written the height of its wrapped values, its cells standing at the top,
// level with the first line of those values.
void heightenRow(Sheet& sheet, qint64 row, int columns, double height)
{
    sheet.setRowHeight(height);
    for (int column = 1; column <= columns; ++column)
        sheet.cell(row, column).alignTop = true;
}

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

// One pass of the export over the record set, from its current record; `moved` counts the
// records it moves on. Without a `limit` it finds out whether the columns fit the page: where
// they do not, it makes no workbook and returns in `needed` the width the widest must be
// narrowed to. With one, it narrows them to it and wraps the values wider than that.
ExportResult writeList(RecordSet& rs, const Host& host, const ExportOptions& options, qint64& moved,
                       std::optional<double> limit, std::optional<double>& needed)
{
    ExportResult result;
    // A new workbook, shown only once it is complete; the list goes on its active sheet.
    Workbook xlBook(host);
    Sheet& xlSheet = xlBook.activeSheet();

    // Only the sheet named Sheet1 stays visible.
    for (Sheet& sheet : xlBook.sheets()) {
        if (sheet.name() != QLatin1String("Sheet1"))
            sheet.hide();
    }

    // Printed in landscape with gridlines, the header row at the top of every page.
    PageSetup& page = xlBook.sheets().front().pageSetup();
    page.printTitleRows = QStringLiteral("$1:$1");
    page.printGridlines = true;
    page.orientation = Orientation::Landscape;
    // Every column on one page across, however many pages down: a column alone on a page
    // of its own is lost to whoever reads the printout.
    page.fitToPagesWide = 1;
    page.fitToPagesTall = 0;
    setHeaderAndFooter(page, options);

    // Columns D to M centred, below the list too.
    for (int column = ColumnD; column <= ColumnM; ++column)
        xlSheet.setColumnAlignment(column, HorizontalAlignment::Center);

    // The header row: the field names in bold red.
    double height = 0; // of the row being written, where a value of it is wrapped
    for (int i = 0; i < rs.fieldCount(); ++i) {
        Cell& cell = xlSheet.cell(1, i + 1);
        cell.setValue(rs.fieldName(i).trimmed());
        cell.font.bold = true;
        cell.font.color = Red;
        cell.font.size = 10;
        height = std::max(height, wrapToLimit(cell, limit));
    }
    if (height > 0)
        heightenRow(xlSheet, 1, rs.fieldCount(), height);

    // One row per record, from the current record to the end of the set. The column is
    // fitted after each cell and before the cell's font is set, as the list was always made.
    // A value too long for a cell is cut rather than losing everyone's list to it.
    const int idField = rs.fieldIndex(QStringLiteral("ID"));
    qint64 row = 2;
    while (!rs.eof()) {
        height = 0;
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
            height = std::max(height, wrapToLimit(cell, limit));
        }
        if (height > 0)
            heightenRow(xlSheet, row, rs.fieldCount(), height);
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

    // A list with long values prints readable rather than small: its widest columns share the
    // page, and their long values wrap within them.
    if (!limit) {
        needed = xlSheet.widthLimit(pageCharacters(int(xlSheet.columns().size())));
        if (needed)
            return result;
    } else {
        xlSheet.limitColumnWidths(*limit);
    }

    // Showing the workbook completes it and hands it to the user; nothing of it is kept.
    xlBook.show();
    return result;
}

} // namespace

ExportResult ExportToExcel(RecordSet& rs, const Host& host, const ExportOptions& options)
{
    qint64 moved = 0;
    try {
        std::optional<double> limit;
        ExportResult result = writeList(rs, host, options, moved, std::nullopt, limit);
        // Rows are written as they are read, before the widths are known: a list whose columns
        // must be narrowed to the page is written again, its long values wrapped in rows tall
        // enough for them.
        if (limit && !result.cancelled) {
            stepBack(rs, std::exchange(moved, 0));
            std::optional<double> unused;
            result = writeList(rs, host, options, moved, limit, unused);
        }
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
