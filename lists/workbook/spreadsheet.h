#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

// The workbook a list is exported to, in the terms of the spreadsheet program it goes to:
// named sheets that can be hidden, and on a sheet a header row and rows below it, cells with
// a value and a font, columns with an alignment and a fitted width, and the page setup.
// Rows are handed to a WorkbookWriter as soon as a later row is addressed, so a list of a
// million rows never sits in memory; in return, rows are written top to bottom.
namespace vantor::spreadsheet {

constexpr qint64 MaxRows = 1048576;
constexpr int MaxColumns = 16384;
// The width of a column never fitted, in character widths of the standard face.
constexpr double StandardWidth = 8.43;
// The longest text a cell holds, in UTF-16 code units.
constexpr int MaxCellText = 32767;

// The spreadsheet program's own values, for whoever knows them from there.
enum class HorizontalAlignment { General = 1, Center = -4108 };
enum class Orientation { Portrait = 1, Landscape = 2 };

// A failing step of the export: the export stops there.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct Font {
    bool bold = false;
    std::optional<qint32> color; // red + green * 256 + blue * 65536; none: automatic
    double size = 11;
    bool operator==(const Font&) const = default;
};

// A cell of the row being written. Every cell addressed is written, empty or not.
class Cell
{
public:
    // A null text stands for a null value: the cell stays empty and keeps its font. A text
    // longer than a cell holds is cut to fit, between characters, and the cell says so.
    void setValue(const QString& text);
    const QString& value() const { return m_value; }
    bool isCut() const { return m_cut; }
    // The width of the value in character widths of the standard face, at the cell's font.
    double width() const { return m_characters * font.size / 11.0 * (font.bold ? 1.1 : 1.0); }
    bool isAddressed() const { return m_addressed; }

    Font font;
    // Text longer than the column is wide breaks into lines within it; the row's height is
    // the writer's to set (Sheet::setRowHeight).
    bool wrapText = false;
    // Stands at the top of a row taller than one line, rather than at its foot.
    bool alignTop = false;

private:
    friend class Sheet;
    QString m_value;
    double m_characters = 0; // at the standard 11-point face
    bool m_addressed = false;
    bool m_cut = false;
};

// Headers and footers take the spreadsheet's codes: &P the page, &N the number of pages,
// &D the date printed, && an ampersand.
struct PageSetup {
    QString printTitleRows; // printed at the top of every page, as "$1:$1"
    bool printGridlines = false;
    Orientation orientation = Orientation::Portrait;
    QString centerHeader;
    QString leftFooter;
    QString rightFooter;
    // Scaled to fit this many pages across and down; 0 down: as many as the rows need.
    // None: printed at full size.
    std::optional<int> fitToPagesWide;
    int fitToPagesTall = 0;
};

class Sheet;
class Workbook;

// Where a workbook's content goes: a file writer, row by row, then everything else.
class WorkbookWriter
{
public:
    virtual ~WorkbookWriter() = default;
    // A completed row of `sheet`; cells[0] is column 1. Cells not addressed are left out.
    // `height` in points; none: the standard height.
    virtual void writeRow(const Sheet& sheet, qint64 row, const std::vector<Cell>& cells, std::optional<double> height)
        = 0;
    // Sheet settings and columns, once every row is written; completes the file.
    virtual void finish(const Workbook& workbook) = 0;
    virtual QString fileName() const = 0;
};

// What the program stands on: where new workbooks are written, and what showing a
// finished workbook to the user means.
struct Host {
    std::function<std::unique_ptr<WorkbookWriter>(const QStringList& sheetNames)> createWorkbook;
    std::function<void(const QString& fileName)> showWorkbook;
};

class Sheet
{
public:
    struct Column {
        HorizontalAlignment alignment = HorizontalAlignment::General;
        std::optional<double> width; // in characters, once fitted
        double widestWritten = 0; // the widest cell of the rows already handed on
    };

    Sheet(WorkbookWriter& writer, int index, QString name);

    int index() const { return m_index; }
    QString name() const { return m_name; }
    bool isHidden() const { return m_hidden; }
    void hide() { m_hidden = true; }
    PageSetup& pageSetup() { return m_pageSetup; }
    const PageSetup& pageSetup() const { return m_pageSetup; }

    // The whole column, cells below the list included; columns are counted from 1.
    void setColumnAlignment(int column, HorizontalAlignment alignment);
    HorizontalAlignment columnAlignment(int column) const;
    // Columns given an alignment or a width, from column 1.
    const std::vector<Column>& columns() const { return m_columns; }

    // The cell at `row` and `column`, counted from 1. Addressing a later row hands the rows
    // above it on; an earlier one can no longer be written.
    Cell& cell(qint64 row, int column);
    // Fits the column to its widest cell so far, the cells of the row being written measured
    // at their font as it is now.
    void autoFitColumn(int column);
    // The columns from column 1 to the last one given an alignment or a width, a column never
    // fitted counted at the standard width: where they are together wider than `total`
    // characters, the one width that, given to every column wider than it, makes them fit.
    // None where they fit as they are.
    std::optional<double> widthLimit(double total) const;
    // Narrows every column wider than `width` to it.
    void limitColumnWidths(double width);
    // The height of the row being written, in points; other rows keep the standard height.
    void setRowHeight(double points) { m_rowHeight = points; }
    // Hands the last row on.
    void completeRows();

private:
    Column& column(int column);

    WorkbookWriter* m_writer;
    int m_index;
    QString m_name;
    bool m_hidden = false;
    PageSetup m_pageSetup;
    std::vector<Column> m_columns;
    qint64 m_row = 0; // the row being written; 0 before the first
    std::vector<Cell> m_cells; // of that row; empty once it is handed on
    std::optional<double> m_rowHeight; // of that row
};

class Workbook
{
public:
    // A new workbook with the three sheets Sheet1 to Sheet3, as the spreadsheet program
    // makes one; its file is created by the host.
    explicit Workbook(const Host& host);
    ~Workbook();

    std::vector<Sheet>& sheets() { return m_sheets; }
    const std::vector<Sheet>& sheets() const { return m_sheets; }
    Sheet& activeSheet() { return m_sheets.front(); }

    // Completes the file and hands it to the user; the workbook is then done with.
    void show();

private:
    std::function<void(const QString& fileName)> m_show;
    std::unique_ptr<WorkbookWriter> m_writer;
    std::vector<Sheet> m_sheets;
};

} // namespace vantor::spreadsheet
