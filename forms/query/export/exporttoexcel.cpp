#include "exporttoexcel.h"

namespace vantor {

using namespace spreadsheet;

namespace {

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
        throw Error(
            QStringLiteral("The list could not be read: %1 (error %2)").arg(error.description).arg(error.number));
}

} // namespace

void ExportToExcel(RecordSet& rs, const Host& host)
{
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
    qint64 row = 2;
    while (!rs.eof()) {
        for (int j = 0; j < rs.fieldCount(); ++j) {
            StoreError error;
            const QVariant value = rs.value(j, &error);
            stopOn(error);
            Cell& cell = xlSheet.cell(row, j + 1);
            cell.setValue(trimmedText(value));
            xlSheet.autoFitColumn(j + 1);
            cell.font.size = 10;
        }
        stopOn(rs.moveNext());
        ++row;
    }

    // 9, 10. Showing the workbook completes it and hands it to the user; nothing of it is kept.
    xlBook.show();
}

} // namespace vantor

#include "xlsxbook.h"

#include <QDir>
#include <QTemporaryFile>

namespace vantor {

spreadsheet::Host xlsxFileHost(const QString& directory, std::function<void(const QString& fileName)> show)
{
    spreadsheet::Host host;
    host.createWorkbook = [directory](const QStringList& sheetNames) -> std::unique_ptr<spreadsheet::WorkbookWriter> {
        QTemporaryFile file(QDir(directory).filePath(QStringLiteral("Untested personnel-XXXXXX.xlsx")));
        file.setAutoRemove(false);
        if (!file.open())
            throw spreadsheet::Error(QStringLiteral("A new workbook cannot be created in %1: %2")
                                         .arg(QDir::toNativeSeparators(directory), file.errorString()));
        const QString name = file.fileName();
        file.close();
        return std::make_unique<XlsxWorkbook>(name, sheetNames);
    };
    host.showWorkbook = std::move(show);
    return host;
}

} // namespace vantor
