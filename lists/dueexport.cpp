#include "dueexport.h"

#include <QCoreApplication>

namespace vantor::due {

using namespace spreadsheet;

namespace {

struct Export {
    Q_DECLARE_TR_FUNCTIONS(vantor::ExportToExcel)
};

constexpr int ColumnD = 4;
constexpr int ColumnM = 13;
constexpr qint32 Red = 255;

} // namespace

QString dueWorkbookName(const DueList& list)
{
    QString group = list.groupName;
    group.replace(u'/', u'-');
    return QStringLiteral("Fit tests due %1 - %2").arg(list.horizon.toString(Qt::ISODate), group);
}

void exportDueList(const DueList& list, const Host& host)
{
    Workbook book(host);
    Sheet& sheet = book.activeSheet();
    for (Sheet& other : book.sheets()) {
        if (other.name() != QLatin1String("Sheet1"))
            other.hide();
    }
    PageSetup& page = sheet.pageSetup();
    page.printTitleRows = QStringLiteral("$1:$1");
    page.printGridlines = true;
    page.orientation = Orientation::Landscape;
    page.fitToPagesWide = 1;
    page.fitToPagesTall = 0;
    page.centerHeader = QStringLiteral("&12&\"-,Bold\"") + dueTitle(list).replace(u'&', QStringLiteral("&&"));
    //: &D is the spreadsheet program's code for the day printed; keep it as it is.
    page.leftFooter = Export::tr("Printed &D");
    //: &P and &N are the spreadsheet program's codes for the page and the number of pages; keep them as they are.
    page.rightFooter = Export::tr("Page &P of &N");
    for (int column = ColumnD; column <= ColumnM; ++column)
        sheet.setColumnAlignment(column, HorizontalAlignment::Center);

    const QStringList headings = dueHeadings();
    for (int i = 0; i < headings.size(); ++i) {
        Cell& cell = sheet.cell(1, i + 1);
        cell.setValue(headings.at(i));
        cell.font.bold = true;
        cell.font.color = Red;
        cell.font.size = 10;
        sheet.autoFitColumn(i + 1);
    }
    qint64 row = 2;
    for (const DueMember& member : list.members) {
        const QStringList values = dueValues(member, list.today);
        for (int i = 0; i < values.size(); ++i) {
            Cell& cell = sheet.cell(row, i + 1);
            cell.setValue(values.at(i).trimmed());
            cell.font.size = 10;
            sheet.autoFitColumn(i + 1);
        }
        ++row;
    }
    book.show();
}

} // namespace vantor::due
