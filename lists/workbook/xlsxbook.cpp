#include "xlsxbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <xlsxwriter.h>

namespace vantor {

using spreadsheet::Error;

namespace {

// The translators' context of the writer's failures.
struct Xlsx {
    Q_DECLARE_TR_FUNCTIONS(vantor::XlsxWorkbook)
};

} // namespace

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
        throw Error(Xlsx::tr("A new workbook could not be started (out of memory)."));
    for (const QString& name : sheetNames) {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
        if (!sheet)
            throw Error(Xlsx::tr("The workbook could not take a sheet named '%1'.").arg(name));
        m_sheets.push_back(sheet);
    }
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
        //: What failed, and the spreadsheet library's reason.
        throw Error(Xlsx::tr("%1: %2").arg(what, QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

lxw_format* XlsxWorkbook::formatFor(const spreadsheet::Font& font, spreadsheet::HorizontalAlignment alignment,
                                    bool wrapText, bool alignTop)
{
    for (const Format& known : m_formats) {
        if (known.font == font && known.alignment == alignment && known.wrapText == wrapText
            && known.alignTop == alignTop)
            return known.format;
    }
    lxw_format* f = workbook_add_format(m_book);
    if (!f)
        throw Error(Xlsx::tr("The workbook could not take another cell format."));
    if (font.bold)
        format_set_bold(f);
    if (font.color) {
        // The spreadsheet's colour value is red + green * 256 + blue * 65536; the library's 0xRRGGBB.
        const quint32 c = quint32(*font.color) & 0xFFFFFFu;
        format_set_font_color(f, ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu));
    }
    format_set_font_size(f, font.size);
    if (alignment == spreadsheet::HorizontalAlignment::Center)
        format_set_align(f, LXW_ALIGN_CENTER);
    if (wrapText)
        format_set_text_wrap(f);
    if (alignTop)
        format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    m_formats.push_back({font, alignment, wrapText, alignTop, f});
    return f;
}

namespace {

// One header or footer line from its three parts, in the spreadsheet's section codes.
QString headerFooter(const QString& left, const QString& center, const QString& right)
{
    QString line;
    if (!left.isEmpty())
        line += QStringLiteral("&L") + left;
    if (!center.isEmpty())
        line += QStringLiteral("&C") + center;
    if (!right.isEmpty())
        line += QStringLiteral("&R") + right;
    return line;
}

} // namespace

void XlsxWorkbook::setPage(lxw_worksheet* ws, const spreadsheet::PageSetup& page)
{
    static const QRegularExpression titleRows(QStringLiteral(R"(^\$?(\d+):\$?(\d+)$)"));
    if (page.orientation == spreadsheet::Orientation::Landscape)
        worksheet_set_landscape(ws);
    if (page.printGridlines)
        worksheet_gridlines(ws, LXW_SHOW_ALL_GRIDLINES);
    if (!page.printTitleRows.isEmpty()) {
        const QRegularExpressionMatch m = titleRows.match(page.printTitleRows);
        if (!m.hasMatch())
            throw Error(Xlsx::tr("'%1' is not a range of title rows.").arg(page.printTitleRows));
        check(worksheet_repeat_rows(ws, lxw_row_t(m.captured(1).toUInt() - 1), lxw_row_t(m.captured(2).toUInt() - 1)),
              Xlsx::tr("The title rows could not be set"));
    }
    const QString header = headerFooter({}, page.centerHeader, {});
    if (!header.isEmpty())
        check(worksheet_set_header(ws, utf8(header)), Xlsx::tr("The page header could not be set"));
    const QString footer = headerFooter(page.leftFooter, {}, page.rightFooter);
    if (!footer.isEmpty())
        check(worksheet_set_footer(ws, utf8(footer)), Xlsx::tr("The page footer could not be set"));
    if (page.fitToPagesWide)
        worksheet_fit_to_pages(ws, uint16_t(*page.fitToPagesWide), uint16_t(page.fitToPagesTall));
}

const char* XlsxWorkbook::utf8(const QString& text)
{
    // Nearly every value is plain ASCII: it is copied into one buffer kept for the whole
    // workbook instead of a new array made and freed for every cell.
    m_text.resize(std::size_t(text.size()) + 1);
    char* out = m_text.data();
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            m_utf8 = text.toUtf8();
            return m_utf8.constData();
        }
        *out++ = char(c.unicode());
    }
    *out = '\0';
    return m_text.data();
}

void XlsxWorkbook::writeRow(const spreadsheet::Sheet& sheet, qint64 row, const std::vector<spreadsheet::Cell>& cells,
                            std::optional<double> height)
{
    lxw_worksheet* ws = m_sheets.at(std::size_t(sheet.index()));
    const auto r = lxw_row_t(row - 1);
    if (height)
        check(worksheet_set_row(ws, r, *height, nullptr), Xlsx::tr("The height of row %1 could not be set").arg(row));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const spreadsheet::Cell& cell = cells[i];
        if (!cell.isAddressed())
            continue;
        const int column = int(i) + 1;
        lxw_format* format = formatFor(cell.font, sheet.columnAlignment(column), cell.wrapText, cell.alignTop);
        const auto c = lxw_col_t(i);
        // An empty value leaves an empty cell that still carries its format.
        const lxw_error error = cell.value().isEmpty() ? worksheet_write_blank(ws, r, c, format)
                                                       : worksheet_write_string(ws, r, c, utf8(cell.value()), format);
        // The message is made only for a failure: formatting it for every cell cost the export
        // a fifth of its time.
        if (error != LXW_NO_ERROR)
            check(error, Xlsx::tr("Cell %1 of row %2 could not be written").arg(column).arg(row));
    }
}

void XlsxWorkbook::finish(const spreadsheet::Workbook& workbook)
{
    for (const spreadsheet::Sheet& sheet : workbook.sheets()) {
        lxw_worksheet* ws = m_sheets.at(std::size_t(sheet.index()));
        if (sheet.isHidden())
            worksheet_hide(ws);
        setPage(ws, sheet.pageSetup());

        // Columns: the fitted width, and the alignment as the column's own format, so that
        // cells typed in later below the list are aligned the same way.
        const std::vector<spreadsheet::Sheet::Column>& columns = sheet.columns();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const spreadsheet::Sheet::Column& column = columns[i];
            if (!column.width && column.alignment == spreadsheet::HorizontalAlignment::General)
                continue;
            lxw_format* format = column.alignment != spreadsheet::HorizontalAlignment::General
                ? formatFor(spreadsheet::Font(), column.alignment)
                : nullptr;
            check(
                worksheet_set_column(ws, lxw_col_t(i), lxw_col_t(i), column.width.value_or(LXW_DEF_COL_WIDTH), format),
                Xlsx::tr("Column %1 could not be set").arg(i + 1));
        }
    }
    lxw_workbook* book = std::exchange(m_book, nullptr);
    check(workbook_close(book),
          Xlsx::tr("The workbook could not be written to %1").arg(QDir::toNativeSeparators(m_fileName)));
    m_written = true;
}

} // namespace vantor
