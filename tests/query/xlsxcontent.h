#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace vantor::test {

// What a written .xlsx holds, read back from its XML parts (unpacked with `unzip -p`):
// the first sheet's cells, the styles they use, the columns, the sheets and print settings.
struct XlsxContent {
    struct Cell {
        QString type;       // the t attribute: "inlineStr" or "s" for text
        int style = 0;
        QString text;       // the text, shared strings resolved
        bool hasValue = false;
        bool hasFormula = false;
    };
    struct Font {
        bool bold = false;
        QString color; // ARGB as written, or empty
        double size = 0;
    };
    struct Column {
        int min = 0, max = 0;
        double width = 0;
        int style = -1;
    };

    QMap<QString, Cell> cells; // by reference, "A1"
    int lastRow = 0;
    QList<Font> fonts;
    QList<QPair<int, QString>> styles; // font index, horizontal alignment
    QList<Column> columns;
    QStringList sheetNames;
    QStringList sheetStates; // "" for visible
    QMap<QString, QString> definedNames; // "name@localSheetId" -> formula
    QString orientation;
    bool printGridlines = false;

    // Reads the file; the error says why not.
    bool load(const QString& path, QString* error);

    const Cell* cell(const QString& ref) const;
    Font fontOf(const Cell& c) const { return fonts.value(styles.value(c.style).first); }
    QString alignmentOf(const Cell& c) const { return styles.value(c.style).second; }
    const Column* column(int number) const;
};

} // namespace vantor::test
