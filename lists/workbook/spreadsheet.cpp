#include "spreadsheet.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace vantor::spreadsheet {

namespace {

// The translators' context of the model's failures.
struct Model {
    Q_DECLARE_TR_FUNCTIONS(vantor::spreadsheet)
};

} // namespace

void Cell::setValue(const QString& text)
{
    m_cut = text.size() > MaxCellText;
    if (m_cut) {
        // A surrogate pair is one character: it stays whole or goes whole.
        const qsizetype keep = text.at(MaxCellText - 1).isHighSurrogate() ? MaxCellText - 1 : MaxCellText;
        m_value = text.left(keep);
    } else {
        m_value = text;
    }
    // Capitals run about a fifth wider than other characters. Measured once here: a cell is
    // measured again at every fit of its column and when its row is handed on.
    double characters = 0;
    for (const QChar c : std::as_const(m_value))
        characters += c.isUpper() ? 1.2 : 1.0;
    m_characters = characters;
}

Sheet::Sheet(WorkbookWriter& writer, int index, QString name)
    : m_writer(&writer)
    , m_index(index)
    , m_name(std::move(name))
{
}

Sheet::Column& Sheet::column(int column)
{
    if (column < 1 || column > MaxColumns)
        throw Error(Model::tr("Column %1 lies outside the worksheet.").arg(column));
    if (std::size_t(column) > m_columns.size())
        m_columns.resize(std::size_t(column));
    return m_columns[std::size_t(column - 1)];
}

void Sheet::setColumnAlignment(int column, HorizontalAlignment alignment)
{
    this->column(column).alignment = alignment;
}

HorizontalAlignment Sheet::columnAlignment(int column) const
{
    return std::size_t(column) <= m_columns.size() ? m_columns[std::size_t(column - 1)].alignment
                                                   : HorizontalAlignment::General;
}

Cell& Sheet::cell(qint64 row, int column)
{
    if (row != m_row) {
        if (row < m_row)
            throw Error(Model::tr("Row %1 of sheet '%2' has already been written; rows are written from the top down.")
                            .arg(QString::number(row), m_name));
        if (row > MaxRows)
            throw Error(Model::tr("A worksheet ends at row %1, so row %2 cannot be written: the list is longer "
                                  "than one sheet can hold.")
                            .arg(MaxRows)
                            .arg(row));
        completeRows();
        m_row = row;
    }
    this->column(column);
    if (std::size_t(column) > m_cells.size())
        m_cells.resize(std::size_t(column));
    Cell& cell = m_cells[std::size_t(column - 1)];
    cell.m_addressed = true;
    return cell;
}

void Sheet::autoFitColumn(int column)
{
    Column& fitted = this->column(column);
    double widest = fitted.widestWritten;
    if (std::size_t(column) <= m_cells.size() && m_cells[std::size_t(column - 1)].m_addressed)
        widest = std::max(widest, m_cells[std::size_t(column - 1)].width());
    // An empty column keeps the standard width, as the spreadsheet does.
    if (widest > 0)
        fitted.width = widest + 1.0;
}

std::optional<double> Sheet::widthLimit(double total) const
{
    std::vector<double> widths;
    widths.reserve(m_columns.size());
    double sum = 0;
    for (const Column& c : m_columns) {
        widths.push_back(c.width.value_or(StandardWidth));
        sum += widths.back();
    }
    if (sum <= total)
        return std::nullopt;
    // From the narrowest up: the first column wider than an equal share of what the narrower
    // ones leave gets that share, and so does every column after it.
    std::sort(widths.begin(), widths.end());
    double narrower = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const double share = (total - narrower) / double(widths.size() - i);
        if (share <= widths[i])
            return share;
        narrower += widths[i];
    }
    return std::nullopt;
}

void Sheet::limitColumnWidths(double width)
{
    for (Column& c : m_columns) {
        if (c.width.value_or(StandardWidth) > width)
            c.width = width;
    }
}

void Sheet::completeRows()
{
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].m_addressed)
            m_columns[i].widestWritten = std::max(m_columns[i].widestWritten, m_cells[i].width());
    }
    if (!m_cells.empty())
        m_writer->writeRow(*this, m_row, m_cells, m_rowHeight);
    m_cells.clear();
    m_rowHeight.reset();
}

Workbook::Workbook(const Host& host)
    : m_show(host.showWorkbook)
{
    const QStringList names{QStringLiteral("Sheet1"), QStringLiteral("Sheet2"), QStringLiteral("Sheet3")};
    m_writer = host.createWorkbook(names);
    m_sheets.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        m_sheets.emplace_back(*m_writer, int(m_sheets.size()), name);
}

Workbook::~Workbook() = default;

void Workbook::show()
{
    for (Sheet& sheet : m_sheets)
        sheet.completeRows();
    m_writer->finish(*this);
    if (m_show)
        m_show(m_writer->fileName());
}

} // namespace vantor::spreadsheet
