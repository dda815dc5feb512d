#pragma once

#include "spreadsheet.h"

#include <QByteArray>
#include <QHash>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vantor {

// Writes a spreadsheet workbook as an .xlsx file with libxlsxwriter. Rows go straight to
// the library's constant-memory temporary files, so any number of rows costs the same memory.
// Values are always written as text: a list of names must never turn into formulas or numbers.
class XlsxWorkbook final : public spreadsheet::WorkbookSink
{
public:
    // Creates nothing on disk until finish(); throws spreadsheet::Error when the library
    // cannot start a workbook.
    XlsxWorkbook(const QString& fileName, const QStringList& sheetNames);
    ~XlsxWorkbook() override;

    void alignArea(int sheet, const spreadsheet::AlignedArea& area) override;
    void writeRow(int sheet, qint64 row, const std::map<int, spreadsheet::Cell>& cells) override;
    void finish(const spreadsheet::Workbook& workbook) override;
    QString fileName() const override { return m_fileName; }

    // The library's own colour value (0xRRGGBB) for a colour given as red + green * 256 + blue * 65536.
    static quint32 rgb(qint32 color);

private:
    lxw_format* formatFor(const spreadsheet::CellFormat& format);
    void check(int error, const QString& what) const;

    QString m_fileName;
    QByteArray m_encodedName;
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    bool m_written = false;
    std::vector<lxw_worksheet*> m_sheets;
    std::vector<std::pair<spreadsheet::CellFormat, lxw_format*>> m_formats;
    // Per sheet, the alignment of columns given one in an aligned area; it becomes the
    // columns' own format, which every cell of the column shares unless it has its own.
    std::vector<std::map<int, int>> m_columnAlignments;
};

} // namespace vantor
