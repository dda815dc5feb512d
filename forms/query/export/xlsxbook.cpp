#include "xlsxbook.h"

#include <QDir>
#include <QRegularExpression>

#include <xlsxwriter.h>

#include <algorithm>
#include <set>

namespace vantor {

using spreadsheet::Error;

XlsxWorkbook::XlsxWorkbook(const QString& fileName, const QStringList& sheetNames)
    : m_fileName(fileName)
    , m_encodedName(QFile::encodeName(fileName))
    , m_tmpdir(QFile::encodeName(QDir::tempPath()))
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_tmpdir.data();
    options.use_zip64 = LXW_TRUE;
    m_book = workbook_new_opt(m_encodedName.constData(), &options);
    if (!m_book)
        throw Error(QStringLiteral("A new workbook could not be started (out of memory)."));
    for (const QString& name : sheetNames) {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
        if (!sheet)
            throw Error(QStringLiteral("The workbook could not take a sheet named '%1'.").arg(name));
        m_sheets.push_back(sheet);
    }
    m_columnAlignments.resize(m_sheets.size());
}

XlsxWorkbook::~XlsxWorkbook()
{
    // A workbook that was never finished leaves no file behind.
    if (m_book)
        lxw_workbook_free(m_book);
    if (!m_written)
        QFile::remove(m_fileName);
}

void XlsxWorkbook::check(int error, const QString& what) const
{
    if (error != LXW_NO_ERROR)
        throw Error(QStringLiteral("%1: %2").arg(what, QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

quint32 XlsxWorkbook::rgb(qint32 color)
{
    const quint32 c = quint32(color) & 0xFFFFFFu;
    const quint32 red = c & 0xFFu, green = (c >> 8) & 0xFFu, blue = (c >> 16) & 0xFFu;
    return (red << 16) | (green << 8) | blue;
}

lxw_format* XlsxWorkbook::formatFor(const spreadsheet::CellFormat& format)
{
    const auto found = std::find_if(m_formats.begin(), m_formats.end(),
                                    [&format](const auto& known) { return known.first == format; });
    if (found != m_formats.end())
        return found->second;
    lxw_format* f = workbook_add_format(m_book);
    if (!f)
        throw Error(QStringLiteral("The workbook could not take another cell format."));
    if (format.bold)
        format_set_bold(f);
    if (format.color)
        format_set_font_color(f, rgb(*format.color));
    format_set_font_size(f, format.size);
    switch (format.horizontalAlignment) {
    case spreadsheet::xlCenter: format_set_align(f, LXW_ALIGN_CENTER); break;
    case spreadsheet::xlLeft: format_set_align(f, LXW_ALIGN_LEFT); break;
    case spreadsheet::xlRight: format_set_align(f, LXW_ALIGN_RIGHT); break;
    default: break;
    }
    m_formats.emplace_back(format, f);
    return f;
}

void XlsxWorkbook::alignArea(int sheet, const spreadsheet::AlignedArea& area)
{
    for (int column = area.firstColumn; column <= area.lastColumn; ++column)
        m_columnAlignments.at(std::size_t(sheet))[column] = area.alignment;
}

void XlsxWorkbook::writeRow(int sheet, qint64 row, const std::map<int, spreadsheet::Cell>& cells)
{
    lxw_worksheet* ws = m_sheets.at(std::size_t(sheet));
    const std::map<int, int>& aligned = m_columnAlignments.at(std::size_t(sheet));
    for (const auto& [column, cell] : cells) {
        spreadsheet::CellFormat effective = cell.format;
        if (const auto it = aligned.find(column);
            it != aligned.end() && effective.horizontalAlignment == spreadsheet::xlGeneral)
            effective.horizontalAlignment = it->second;
        lxw_format* format = formatFor(effective);
        const auto r = lxw_row_t(row - 1);
        const auto c = lxw_col_t(column - 1);
        const QString text = cell.value.isValid() ? cell.value.toString() : QString();
        // An empty value leaves an empty cell that still carries its format.
        const lxw_error error = text.isEmpty() ? worksheet_write_blank(ws, r, c, format)
                                               : worksheet_write_string(ws, r, c, text.toUtf8().constData(), format);
        // The message is made only for a failure: formatting it for every cell cost the export
        // a fifth of its time.
        if (error != LXW_NO_ERROR)
            check(error, QStringLiteral("Cell %1 of row %2 could not be written").arg(column).arg(row));
    }
}

void XlsxWorkbook::finish(const spreadsheet::Workbook& workbook)
{
    static const QRegularExpression titleRows(QStringLiteral(R"(^\$?(\d+):\$?(\d+)$)"));
    for (const auto& sheet : workbook.worksheets()) {
        lxw_worksheet* ws = m_sheets.at(std::size_t(sheet->index()));
        if (sheet->visible() == spreadsheet::xlSheetHidden)
            worksheet_hide(ws);

        const spreadsheet::PageSetup& page = sheet->pageSetup();
        if (page.orientation == spreadsheet::xlLandscape)
            worksheet_set_landscape(ws);
        if (page.printGridlines)
            worksheet_gridlines(ws, LXW_SHOW_ALL_GRIDLINES);
        if (!page.printTitleRows.isEmpty()) {
            const QRegularExpressionMatch m = titleRows.match(page.printTitleRows);
            if (!m.hasMatch())
                throw Error(QStringLiteral("'%1' is not a range of title rows.").arg(page.printTitleRows));
            check(
                worksheet_repeat_rows(ws, lxw_row_t(m.captured(1).toUInt() - 1), lxw_row_t(m.captured(2).toUInt() - 1)),
                QStringLiteral("The title rows could not be set"));
        }

        // Columns: the fitted width, and the alignment of an aligned area as the column's own
        // format, so that cells typed in later below the data are aligned the same way.
        std::set<int> columns;
        for (const auto& [column, width] : sheet->columnWidths())
            columns.insert(column);
        const std::map<int, int>& aligned = m_columnAlignments.at(std::size_t(sheet->index()));
        for (const auto& [column, alignment] : aligned)
            columns.insert(column);
        for (const int column : columns) {
            const auto it = aligned.find(column);
            lxw_format* format = it != aligned.end() && it->second != spreadsheet::xlGeneral
                ? formatFor({false, std::nullopt, 11, it->second})
                : nullptr;
            const double width = sheet->columnWidth(column).value_or(LXW_DEF_COL_WIDTH);
            check(worksheet_set_column(ws, lxw_col_t(column - 1), lxw_col_t(column - 1), width, format),
                  QStringLiteral("Column %1 could not be set").arg(column));
        }
    }
    lxw_workbook* book = std::exchange(m_book, nullptr);
    check(workbook_close(book),
          QStringLiteral("The workbook could not be written to %1").arg(QDir::toNativeSeparators(m_fileName)));
    m_written = true;
}

} // namespace vantor
