#include "spreadsheet.h"

#include <QRegularExpression>

#include <algorithm>

namespace vantor::spreadsheet {

int columnNumber(const QString& letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int number = 0;
    for (const QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return 0;
        number = number * 26 + (u - u'A' + 1);
    }
    return number <= MaxColumns ? number : 0;
}

// --- Range and Font ----------------------------------------------------------------------

Range::Range(Worksheet& sheet, qint64 firstRow, int firstColumn, qint64 lastRow, int lastColumn)
    : m_sheet(sheet)
    , m_firstRow(firstRow)
    , m_lastRow(lastRow)
    , m_firstColumn(firstColumn)
    , m_lastColumn(lastColumn)
{
    if (lastRow > MaxRows)
        throw Error(QStringLiteral("A worksheet ends at row %1, so row %2 cannot be written: the list is longer "
                                   "than one sheet can hold.")
                        .arg(MaxRows)
                        .arg(lastRow));
    if (firstRow < 1 || firstRow > lastRow)
        throw Error(QStringLiteral("Row %1 lies outside the worksheet.").arg(firstRow));
    if (firstColumn < 1 || lastColumn > MaxColumns || firstColumn > lastColumn)
        throw Error(QStringLiteral("Column %1 lies outside the worksheet.").arg(lastColumn));
}

Range Range::cells(qint64 row, int column) const
{
    return Range(m_sheet, m_firstRow + row - 1, m_firstColumn + column - 1, m_firstRow + row - 1,
                 m_firstColumn + column - 1);
}

Range Range::columns(const QString& letter) const
{
    const int offset = columnNumber(letter);
    if (offset == 0)
        throw Error(QStringLiteral("'%1' is not a column.").arg(letter));
    const int column = m_firstColumn + offset - 1;
    return Range(m_sheet, m_firstRow, column, m_lastRow, column);
}

Range Range::entireColumn() const
{
    return Range(m_sheet, 1, m_firstColumn, MaxRows, m_lastColumn);
}

static void requireSingleCell(const Range& range)
{
    if (range.firstRow() != range.lastRow() || range.firstColumn() != range.lastColumn())
        throw Error(QStringLiteral("Only a single cell takes a value or a font here."));
}

void Range::setValue(const QVariant& value) const
{
    requireSingleCell(*this);
    m_sheet.cell(m_firstRow, m_firstColumn).value = value;
}

QVariant Range::value() const
{
    requireSingleCell(*this);
    const Cell* c = m_sheet.findCell(m_firstRow, m_firstColumn);
    return c ? c->value : QVariant();
}

void Range::setHorizontalAlignment(int alignment) const
{
    m_sheet.align({m_firstRow, m_lastRow, m_firstColumn, m_lastColumn, alignment});
}

Font Range::font() const
{
    requireSingleCell(*this);
    return Font(*this);
}

void Range::autoFit() const
{
    for (int column = m_firstColumn; column <= m_lastColumn; ++column)
        m_sheet.autoFit(column);
}

Font::Font(const Range& range)
    : m_range(range)
{
}

void Font::setBold(bool bold)
{
    m_range.sheet().cell(m_range.firstRow(), m_range.firstColumn()).format.bold = bold;
}

void Font::setColor(qint32 color)
{
    m_range.sheet().cell(m_range.firstRow(), m_range.firstColumn()).format.color = color;
}

void Font::setSize(double size)
{
    if (size < 1 || size > 409)
        throw Error(QStringLiteral("A font size lies between 1 and 409."));
    m_range.sheet().cell(m_range.firstRow(), m_range.firstColumn()).format.size = size;
}

// --- Worksheet ---------------------------------------------------------------------------

Worksheet::Worksheet(Workbook& book, int index, QString name)
    : m_book(book)
    , m_index(index)
    , m_name(std::move(name))
{
}

void Worksheet::setVisible(int visibility)
{
    if (visibility != xlSheetVisible) {
        const auto& all = m_book.worksheets();
        const bool anotherVisible = std::any_of(all.begin(), all.end(), [this](const auto& sheet) {
            return sheet.get() != this && sheet->visible() == xlSheetVisible;
        });
        if (!anotherVisible)
            throw Error(QStringLiteral("Sheet '%1' cannot be hidden: a workbook must keep at least one visible "
                                       "sheet.")
                            .arg(m_name));
    }
    m_visible = visibility;
}

Range Worksheet::range(const QString& address)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\$?([A-Za-z]{1,3})\$?(\d+)(?::\$?([A-Za-z]{1,3})\$?(\d+))?$)"));
    const QRegularExpressionMatch m = pattern.match(address);
    if (!m.hasMatch())
        throw Error(QStringLiteral("'%1' is not a cell range.").arg(address));
    const int c1 = columnNumber(m.captured(1));
    const qint64 r1 = m.captured(2).toLongLong();
    const int c2 = m.captured(3).isEmpty() ? c1 : columnNumber(m.captured(3));
    const qint64 r2 = m.captured(4).isEmpty() ? r1 : m.captured(4).toLongLong();
    return Range(*this, std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2));
}

Cell& Worksheet::cell(qint64 row, int column)
{
    if (m_book.finished())
        throw Error(QStringLiteral("The workbook has already been handed on."));
    if (row <= m_flushedThrough)
        throw Error(QStringLiteral("Row %1 of sheet '%2' has already been written; rows are written from the top "
                                   "down.")
                        .arg(row)
                        .arg(m_name));
    flushBefore(row);
    auto& cells = m_pending[row];
    auto it = cells.find(column);
    if (it == cells.end()) {
        Cell fresh;
        for (const AlignedArea& area : m_aligned) {
            if (row >= area.firstRow && row <= area.lastRow && column >= area.firstColumn && column <= area.lastColumn)
                fresh.format.horizontalAlignment = area.alignment;
        }
        it = cells.emplace(column, std::move(fresh)).first;
    }
    return it->second;
}

const Cell* Worksheet::findCell(qint64 row, int column) const
{
    const auto r = m_pending.find(row);
    if (r == m_pending.end())
        return nullptr;
    const auto c = r->second.find(column);
    return c == r->second.end() ? nullptr : &c->second;
}

void Worksheet::align(const AlignedArea& area)
{
    if (area.firstRow <= m_flushedThrough)
        throw Error(QStringLiteral("Rows of sheet '%1' above row %2 have already been written.")
                        .arg(m_name)
                        .arg(m_flushedThrough + 1));
    m_aligned.push_back(area);
    m_book.sink().alignArea(m_index, area);
    for (auto& [row, cells] : m_pending) {
        for (auto& [column, c] : cells) {
            if (row >= area.firstRow && row <= area.lastRow && column >= area.firstColumn && column <= area.lastColumn)
                c.format.horizontalAlignment = area.alignment;
        }
    }
}

double Worksheet::measure(const Cell& cell)
{
    if (!cell.value.isValid())
        return 0;
    // In character widths of the standard 11-point face, where capitals run about a fifth
    // wider than digits and bold about a tenth wider still.
    // Read through a const text: iterating a temporary copy of the cell's shared text
    // detached it, an allocation and a copy for every measured cell.
    const QString text = cell.value.toString();
    double width = 0;
    for (const QChar c : text)
        width += c.isUpper() ? 1.2 : 1.0;
    return width * cell.format.size / 11.0 * (cell.format.bold ? 1.1 : 1.0);
}

void Worksheet::autoFit(int column)
{
    double widest = 0;
    if (const auto it = m_flushedMeasure.find(column); it != m_flushedMeasure.end())
        widest = it->second;
    for (const auto& [row, cells] : m_pending) {
        if (const auto c = cells.find(column); c != cells.end())
            widest = std::max(widest, measure(c->second));
    }
    // An empty column keeps the standard width, as the spreadsheet does.
    if (widest > 0)
        m_widths[column] = widest + 1.0;
}

std::optional<double> Worksheet::columnWidth(int column) const
{
    const auto it = m_widths.find(column);
    return it == m_widths.end() ? std::nullopt : std::optional<double>(it->second);
}

void Worksheet::flushBefore(qint64 row)
{
    while (!m_pending.empty() && m_pending.begin()->first < row) {
        auto node = m_pending.extract(m_pending.begin());
        for (const auto& [column, c] : node.mapped()) {
            double& widest = m_flushedMeasure[column];
            widest = std::max(widest, measure(c));
        }
        m_book.sink().writeRow(m_index, node.key(), node.mapped());
        m_flushedThrough = node.key();
    }
}

void Worksheet::flush()
{
    flushBefore(MaxRows + 1);
}

// --- Workbook, Workbooks, Application ------------------------------------------------------

int Sheets::count() const
{
    return int(m_book.worksheets().size());
}

Worksheet& Sheets::item(int number)
{
    if (number < 1 || number > count())
        throw Error(QStringLiteral("The workbook has no sheet %1.").arg(number));
    return *m_book.worksheets()[std::size_t(number - 1)];
}

Workbook::Workbook(std::unique_ptr<WorkbookSink> sink, const QStringList& sheetNames)
    : m_sink(std::move(sink))
{
    for (const QString& name : sheetNames)
        m_sheets.push_back(std::make_unique<Worksheet>(*this, int(m_sheets.size()), name));
}

Workbook::~Workbook() = default;

QString Workbook::finish()
{
    if (!m_finished) {
        for (const auto& sheet : m_sheets)
            sheet->flush();
        m_sink->finish(*this);
        m_finished = true;
    }
    return m_sink->fileName();
}

Workbook& Workbooks::add()
{
    QStringList names;
    for (int i = 1; i <= m_app.m_sheetsInNewWorkbook; ++i)
        names << QStringLiteral("Sheet%1").arg(i);
    std::unique_ptr<WorkbookSink> sink = m_app.m_host.createWorkbook(names);
    m_app.m_books.push_back(std::make_unique<Workbook>(std::move(sink), names));
    return *m_app.m_books.back();
}

int Workbooks::count() const
{
    return int(m_app.m_books.size());
}

Application::Application(Host host)
    : m_host(std::move(host))
{
}

Application::~Application() = default;

void Application::setVisible(bool visible)
{
    m_visible = visible;
    if (!visible)
        return;
    for (const auto& book : m_books) {
        if (book->finished())
            continue;
        const QString file = book->finish();
        if (m_host.showWorkbook)
            m_host.showWorkbook(file);
    }
}

} // namespace vantor::spreadsheet
