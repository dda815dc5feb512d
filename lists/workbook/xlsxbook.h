#pragma once

#include "spreadsheet.h"

#include <QByteArray>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vantor {

// Writes a spreadsheet workbook as an .xlsx file with libxlsxwriter. Rows go straight to
// the library's constant-memory temporary files, so any number of rows costs the same memory.
// Values are always written as text: a list of names must never turn into formulas or numbers.
class XlsxWorkbook final : public spreadsheet::WorkbookWriter
{
public:
    // Creates nothing on disk until finish(); throws spreadsheet::Error when the library
    // cannot start a workbook.
    XlsxWorkbook(const QString& fileName, const QStringList& sheetNames);
    ~XlsxWorkbook() override;

    void writeRow(const spreadsheet::Sheet& sheet, qint64 row, const std::vector<spreadsheet::Cell>& cells,
                  std::optional<double> height) override;
    void finish(const spreadsheet::Workbook& workbook) override;
    QString fileName() const override { return m_fileName; }

private:
    struct Format {
        spreadsheet::Font font;
        spreadsheet::HorizontalAlignment alignment;
        bool wrapText;
        bool alignTop;
        lxw_format* format;
    };
    lxw_format* formatFor(const spreadsheet::Font& font, spreadsheet::HorizontalAlignment alignment,
                          bool wrapText = false, bool alignTop = false);
    void setPage(lxw_worksheet* ws, const spreadsheet::PageSetup& page);
    void check(int error, const QString& what) const;
    // The text as UTF-8, valid until the next call.
    const char* utf8(const QString& text);

    QString m_fileName;
    QByteArray m_encodedName;
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    bool m_written = false;
    std::vector<lxw_worksheet*> m_sheets;
    std::vector<Format> m_formats;
    std::vector<char> m_text;
    QByteArray m_utf8;
};

} // namespace vantor
