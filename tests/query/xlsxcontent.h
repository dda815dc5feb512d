#pragma once

#include <QMap>
#include <QStringList>

namespace vantor::test {

// What a written .xlsx holds, read back from its XML parts (unpacked with `unzip -p`):
// the first sheet's cells and columns with their styles, the sheets and print settings.
struct XlsxContent {
    struct Style {
        bool bold = false;
        QString color; // ARGB as written, or empty
        double size = 0;
        QString alignment; // horizontal
    };
    struct Cell {
        QString type; // the t attribute: "inlineStr" or "s" for text
        int style = 0;
        QString text; // shared strings resolved
        bool hasValue = false;
        bool hasFormula = false;
    };
    struct Column {
        int min = 0, max = 0;
        double width = 0;
        int style = -1;
    };

    QMap<QString, Cell> cells; // by reference, "A1"
    int lastRow = 0;
    QList<Style> styles;
    QList<Column> columns;
    QStringList sheetNames;
    QStringList sheetStates; // "" for visible
    QMap<QString, QString> definedNames; // "name@localSheetId" -> formula
    QString orientation;
    bool printGridlines = false;
    bool fitToPage = false; // sheetPr/pageSetUpPr
    QString fitToWidth, fitToHeight; // pageSetup, "1" where left out as the format allows
    QString header, footer; // headerFooter's oddHeader and oddFooter

    // Reads the file; the error says why not.
    bool load(const QString& path, QString* error);
    const Cell* cell(const QString& ref) const { return cells.contains(ref) ? &*cells.constFind(ref) : nullptr; }
    const Column* column(int number) const;
};

} // namespace vantor::test
