#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

// A small spreadsheet object model in the shape of the one the export was first written
// against (application, workbooks, sheets, ranges, fonts, page setup), holding only what the
// export uses. Rows are handed to a WorkbookSink as soon as a later row is addressed, so a
// sheet of a million rows never sits in memory; in return, rows are written top to bottom.
namespace vantor::spreadsheet {

constexpr int xlCenter = -4108;
constexpr int xlGeneral = 1;
constexpr int xlLeft = -4131;
constexpr int xlRight = -4152;
constexpr int xlPortrait = 1;
constexpr int xlLandscape = 2;
constexpr int xlSheetVisible = -1;
constexpr int xlSheetHidden = 0;
constexpr qint64 MaxRows = 1048576;
constexpr int MaxColumns = 16384;

// A failing call into the spreadsheet: the export stops there.
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

struct CellFormat {
    bool bold = false;
    std::optional<qint32> color; // red + green * 256 + blue * 65536; none = automatic
    double size = 11;
    int horizontalAlignment = xlGeneral;
    bool operator==(const CellFormat&) const = default;
};

struct Cell {
    QVariant value; // invalid: empty (a null was written)
    CellFormat format;
};

// An area of a sheet given one horizontal alignment, whether its cells exist yet or not.
struct AlignedArea {
    qint64 firstRow, lastRow;
    int firstColumn, lastColumn;
    int alignment;
};

class Workbook;
class Worksheet;

// Where a workbook's content goes: a file writer, row by row, then everything else.
class WorkbookSink
{
public:
    virtual ~WorkbookSink() = default;
    // An area given one alignment; the writer may carry it over to the whole columns.
    virtual void alignArea(int sheet, const AlignedArea& area) = 0;
    // A finished row of sheet `sheet` (counted from 0); cells by column, counted from 1.
    virtual void writeRow(int sheet, qint64 row, const std::map<int, Cell>& cells) = 0;
    // Sheet settings and column widths, once every row is written; completes the file.
    virtual void finish(const Workbook& workbook) = 0;
    virtual QString fileName() const = 0;
};

// What the application stands on: where new workbooks are written, and what showing a
// finished workbook to the user means.
struct Host {
    std::function<std::unique_ptr<WorkbookSink>(const QStringList& sheetNames)> createWorkbook;
    std::function<void(const QString& fileName)> showWorkbook;
};

class Font;

class Range
{
public:
    Range(Worksheet& sheet, qint64 firstRow, int firstColumn, qint64 lastRow, int lastColumn);

    // A cell addressed relative to the range's first cell, (1, 1) being that cell.
    Range cells(qint64 row, int column) const;
    // A column of the range by its letter relative to the range, "A" being its first.
    Range columns(const QString& letter) const;
    Range entireColumn() const;

    void setValue(const QVariant& value) const;
    QVariant value() const;
    void setHorizontalAlignment(int alignment) const;
    Font font() const;
    void autoFit() const;

    Worksheet& sheet() const { return m_sheet; }
    qint64 firstRow() const { return m_firstRow; }
    qint64 lastRow() const { return m_lastRow; }
    int firstColumn() const { return m_firstColumn; }
    int lastColumn() const { return m_lastColumn; }

private:
    Worksheet& m_sheet;
    qint64 m_firstRow, m_lastRow;
    int m_firstColumn, m_lastColumn;
};

class Font
{
public:
    void setBold(bool bold);
    void setColor(qint32 color);
    void setSize(double size);

private:
    friend class Range;
    explicit Font(const Range& range);
    Range m_range;
};

struct PageSetup {
    QString printTitleRows;
    bool printGridlines = false;
    int orientation = xlPortrait;
};

class Worksheet
{
public:
    Worksheet(Workbook& book, int index, QString name);

    QString name() const { return m_name; }
    int index() const { return m_index; }
    int visible() const { return m_visible; }
    void setVisible(int visibility);

    // Cells addressed as "A1:Z1000" (or one cell, "B2").
    Range range(const QString& address);
    PageSetup& pageSetup() { return m_pageSetup; }
    const PageSetup& pageSetup() const { return m_pageSetup; }

    // The width a column was auto-fitted to, in characters; none while never fitted.
    std::optional<double> columnWidth(int column) const;
    const std::map<int, double>& columnWidths() const { return m_widths; }

    // Used by ranges and the workbook.
    Cell& cell(qint64 row, int column);
    const Cell* findCell(qint64 row, int column) const;
    void align(const AlignedArea& area);
    void autoFit(int column);
    void flush();

private:
    void flushBefore(qint64 row);
    static double measure(const Cell& cell);

    Workbook& m_book;
    int m_index;
    QString m_name;
    int m_visible = xlSheetVisible;
    PageSetup m_pageSetup;
    std::vector<AlignedArea> m_aligned;
    std::map<qint64, std::map<int, Cell>> m_pending; // rows not yet handed to the sink
    qint64 m_flushedThrough = 0;
    std::map<int, double> m_flushedMeasure; // widest content already handed on, per column
    std::map<int, double> m_widths;
};

class Sheets
{
public:
    explicit Sheets(Workbook& book)
        : m_book(book)
    {
    }
    int count() const;
    Worksheet& item(int number); // counted from 1

private:
    Workbook& m_book;
};

class Workbook
{
public:
    Workbook(std::unique_ptr<WorkbookSink> sink, const QStringList& sheetNames);
    ~Workbook();

    Sheets sheets() { return Sheets(*this); }
    Worksheet& activeSheet() { return *m_sheets.front(); }
    const std::vector<std::unique_ptr<Worksheet>>& worksheets() const { return m_sheets; }
    WorkbookSink& sink() { return *m_sink; }
    // Hands every row on and completes the file; the workbook is then read-only.
    QString finish();
    bool finished() const { return m_finished; }

private:
    std::unique_ptr<WorkbookSink> m_sink;
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
    bool m_finished = false;
};

class Workbooks
{
public:
    explicit Workbooks(class Application& app)
        : m_app(app)
    {
    }
    Workbook& add();
    int count() const;

private:
    Application& m_app;
};

class Application
{
public:
    explicit Application(Host host);
    ~Application();

    void setDisplayAlerts(bool display) { m_displayAlerts = display; }
    bool displayAlerts() const { return m_displayAlerts; }
    void setSheetsInNewWorkbook(int count) { m_sheetsInNewWorkbook = count; }
    Workbooks workbooks() { return Workbooks(*this); }
    // Showing the application shows its workbooks: each is completed and handed to the user.
    void setVisible(bool visible);
    bool visible() const { return m_visible; }

private:
    friend class Workbooks;
    Host m_host;
    bool m_displayAlerts = true;
    bool m_visible = false;
    int m_sheetsInNewWorkbook = 3;
    std::vector<std::unique_ptr<Workbook>> m_books;
};

// "A" -> 1, "Z" -> 26, "AA" -> 27; 0 for anything else.
int columnNumber(const QString& letters);

} // namespace vantor::spreadsheet
