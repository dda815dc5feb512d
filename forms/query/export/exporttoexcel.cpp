#include "exporttoexcel.h"

namespace vantor {

using namespace spreadsheet;

namespace {

QVariant trimmedText(const QVariant& value)
{
    return value.isValid() ? QVariant(value.toString().trimmed()) : QVariant();
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
    // 1. A new application, not visible, without alerts.
    Application xlApp(host);
    xlApp.setDisplayAlerts(false);

    // 2, 3. A new workbook; its active sheet and the export range on it.
    Workbook& xlBook = xlApp.workbooks().add();
    Worksheet& xlSheet = xlBook.activeSheet();
    const Range xlRange = xlSheet.range(QStringLiteral("A1:Z1000"));

    // 4. Only the sheet named Sheet1 stays visible.
    for (int n = 1; n <= xlBook.sheets().count(); ++n) {
        Worksheet& sheet = xlBook.sheets().item(n);
        if (sheet.name() != QLatin1String("Sheet1"))
            sheet.setVisible(xlSheetHidden);
    }

    // 5. Print settings of the first sheet.
    PageSetup& page = xlBook.sheets().item(1).pageSetup();
    page.printTitleRows = QStringLiteral("$1:$1");
    page.printGridlines = true;
    page.orientation = xlLandscape;

    // 6. Columns D to M centred.
    for (const char* letter : {"D", "E", "F", "G", "H", "I", "J", "K", "L", "M"})
        xlRange.columns(QString::fromLatin1(letter)).setHorizontalAlignment(xlCenter);

    // 7. The header row from the field names.
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const Range cell = xlRange.cells(1, i + 1);
        cell.setValue(rs.fieldName(i).trimmed());
        Font font = cell.font();
        font.setBold(true);
        font.setColor(255);
        font.setSize(10);
    }

    // 8. One row per record, from the current record to the end of the set.
    qint64 row = 2;
    while (!rs.eof()) {
        for (int j = 0; j < rs.fieldCount(); ++j) {
            StoreError error;
            const QVariant value = rs.value(j, &error);
            stopOn(error);
            const Range cell = xlRange.cells(row, j + 1);
            cell.setValue(trimmedText(value));
            cell.entireColumn().autoFit();
            cell.font().setSize(10);
        }
        stopOn(rs.moveNext());
        ++row;
    }

    // 9. Alerts stay off; showing the application hands the workbook to the user.
    xlApp.setDisplayAlerts(false);
    xlApp.setVisible(true);
    // 10. The range, sheet, workbook and application are released on return.
}

} // namespace vantor

#include "xlsxbook.h"

#include <QDir>
#include <QTemporaryFile>

namespace vantor {

spreadsheet::Host xlsxFileHost(const QString& directory, std::function<void(const QString& fileName)> show)
{
    spreadsheet::Host host;
    host.createWorkbook = [directory](const QStringList& sheetNames) -> std::unique_ptr<spreadsheet::WorkbookSink> {
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
