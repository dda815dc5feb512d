#include "historyexport.h"

#include "historylist.h"

#include <history.h>

namespace vantor::history {

using namespace spreadsheet;

namespace {

const QString CountAll = QStringLiteral(R"(SELECT count(*) FROM "History")");
const QString CountSince = QStringLiteral(R"(SELECT count(*) FROM "History" WHERE "At" >= ?)");
constexpr int Page = 5000;
constexpr qint32 Red = 255;

QStringList headings()
{
    return {Text::tr("Entry"),  Text::tr("When (UTC)"), Text::tr("Who"),  Text::tr("Record"), Text::tr("FDID"),
            Text::tr("Action"), Text::tr("Changes"),    Text::tr("Note"), Text::tr("Seal")};
}

QStringList valuesOf(const Entry& entry)
{
    const QString seal = !entry.hashed ? Text::tr("not sealed yet")
        : entry.sealed.isEmpty()       ? Text::tr("sealed")
                                       : Text::tr("sealed later (%1)").arg(entry.sealed);
    return {QString::number(entry.number),
            entry.at,
            shownWriter(entry),
            recordName(entry),
            entry.fdid,
            actionName(entry.action),
            describeChanges(entry),
            entry.note,
            seal};
}

} // namespace

StoreError exportHistory(Connection& connection, const QString& since, const Host& host, qint64& written)
{
    written = 0;
    QList<QVariantList> count;
    if (StoreError error
        = since.isEmpty() ? connection.query(CountAll, {}, count) : connection.query(CountSince, {since}, count))
        return error;
    const qint64 entries = count.value(0).value(0).toLongLong();
    if (entries > MaxRows - 1)
        return StoreError::make(InvalidArgument,
                                Text::tr("The history holds %1 entries%2, more than one sheet of a workbook holds "
                                         "(%3): choose a later date with --since.")
                                    .arg(entries)
                                    .arg(since.isEmpty() ? QString() : Text::tr(" from %1 on").arg(since))
                                    .arg(MaxRows - 1));
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
    page.centerHeader = QStringLiteral("&12&\"-,Bold\"")
        + (since.isEmpty() ? Text::tr("History of changes") : Text::tr("History of changes since %1").arg(since));
    //: &D and &P, &N are the spreadsheet program's codes for the day printed, the page and the pages.
    page.leftFooter = Text::tr("Printed &D");
    page.rightFooter = Text::tr("Page &P of &N");
    const QStringList titles = headings();
    for (int i = 0; i < titles.size(); ++i) {
        Cell& cell = sheet.cell(1, i + 1);
        cell.setValue(titles.at(i));
        cell.font = Font{true, Red, 10};
        sheet.autoFitColumn(i + 1);
    }
    qint64 after = 0;
    QList<Entry> entriesRead;
    do {
        if (StoreError error = readHistoryPage(connection, after, Page, since, entriesRead))
            return error;
        for (const Entry& entry : std::as_const(entriesRead)) {
            // Entries made while it is written wait for the next report.
            if (written == entries)
                break;
            const QStringList values = valuesOf(entry);
            for (int i = 0; i < values.size(); ++i) {
                Cell& cell = sheet.cell(written + 2, i + 1);
                cell.setValue(values.at(i));
                cell.font.size = 10;
                sheet.autoFitColumn(i + 1);
            }
            ++written;
            after = entry.number;
        }
    } while (entriesRead.size() == Page && written < entries);
    book.show();
    return {};
}

} // namespace vantor::history
