#pragma once

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>

namespace vantor::test {

// What a written .xlsx holds, read back from its XML parts (unpacked with `unzip -p`):
// the first sheet's cells and columns with their styles, the sheets and print settings.
struct XlsxContent {
    struct Style {
        bool bold = false;
        QString color; // ARGB as written, or empty
        double size = 0;
        QString alignment; // horizontal
        bool wrap = false;
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
    QMap<int, double> rowHeights; // of the rows given one, in points
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

    const Cell* cell(const QString& ref) const { return cells.contains(ref) ? &*cells.constFind(ref) : nullptr; }
    const Column* column(int number) const
    {
        const auto found = std::find_if(columns.begin(), columns.end(),
                                        [number](const Column& c) { return number >= c.min && number <= c.max; });
        return found == columns.end() ? nullptr : &*found;
    }
    // Reads the file; the error says why not.
    bool load(const QString& path, QString* error)
    {
        // Calls onStart for every element of one part; a missing optional part reads as empty.
        const auto parse = [&](const char* part, bool required, auto onStart) {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QString::fromLatin1(part)});
            if (!unzip.waitForFinished(60000) || unzip.exitCode() != 0) {
                *error = QStringLiteral("unzip -p %1 %2 failed").arg(path, QLatin1String(part));
                return !required;
            }
            QXmlStreamReader xml(unzip.readAllStandardOutput());
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement)
                    onStart(xml, xml.attributes());
            }
            *error = xml.errorString();
            return !xml.hasError();
        };
        const auto text = [](const QXmlStreamAttributes& a, const char* name) {
            return a.value(QLatin1String(name)).toString();
        };

        QStringList shared;
        QList<Style> fonts;
        QString section;
        Cell* current = nullptr;
        return parse("xl/sharedStrings.xml", false,
                     [&](QXmlStreamReader& x, const QXmlStreamAttributes&) {
                         if (x.name() == u"si")
                             shared << x.readElementText(QXmlStreamReader::IncludeChildElements);
                     })
            && parse("xl/workbook.xml", true,
                     [&](QXmlStreamReader& x, const QXmlStreamAttributes& a) {
                         if (x.name() == u"sheet") {
                             sheetNames << text(a, "name");
                             sheetStates << text(a, "state");
                         } else if (x.name() == u"definedName")
                             definedNames.insert(text(a, "name") + u'@' + text(a, "localSheetId"), x.readElementText());
                     })
            && parse("xl/styles.xml", true,
                     [&](QXmlStreamReader& x, const QXmlStreamAttributes& a) {
                         const auto n = x.name();
                         if (n == u"fonts" || n == u"cellXfs" || n == u"cellStyleXfs" || n == u"dxfs")
                             section = n.toString();
                         else if (section == u"fonts" && n == u"font")
                             fonts << Style{};
                         else if (section == u"fonts" && n == u"b")
                             fonts.last().bold = text(a, "val") != u"0";
                         else if (section == u"fonts" && n == u"sz")
                             fonts.last().size = text(a, "val").toDouble();
                         else if (section == u"fonts" && n == u"color")
                             fonts.last().color = text(a, "rgb");
                         else if (section == u"cellXfs" && n == u"xf")
                             styles << fonts.value(text(a, "fontId").toInt());
                         else if (section == u"cellXfs" && n == u"alignment") {
                             styles.last().alignment = text(a, "horizontal");
                             styles.last().wrap = text(a, "wrapText") == u"1";
                         }
                     })
            && parse("xl/worksheets/sheet1.xml", true, [&](QXmlStreamReader& x, const QXmlStreamAttributes& a) {
                   const auto n = x.name();
                   if (n == u"row" && a.hasAttribute(QLatin1String("ht"))) {
                       rowHeights.insert(text(a, "r").toInt(), text(a, "ht").toDouble());
                   } else if (n == u"col") {
                       columns << Column{text(a, "min").toInt(), text(a, "max").toInt(), text(a, "width").toDouble(),
                                         a.hasAttribute(QLatin1String("style")) ? text(a, "style").toInt() : -1};
                   } else if (n == u"c") {
                       const QString ref = text(a, "r");
                       current = &cells[ref];
                       current->type = text(a, "t");
                       current->style = text(a, "s").toInt();
                       lastRow = std::max(lastRow,
                                          QString(ref).remove(QRegularExpression(QStringLiteral("[A-Z]"))).toInt());
                   } else if (current && n == u"f") {
                       current->hasFormula = true;
                   } else if (current && (n == u"v" || n == u"is")) {
                       const QString v = x.readElementText(QXmlStreamReader::IncludeChildElements);
                       current->hasValue = true;
                       current->text = current->type == u"s" ? shared.value(v.toInt()) : v;
                   } else if (n == u"pageSetup") {
                       orientation = text(a, "orientation");
                       const auto fit = [&](const char* name) {
                           return a.hasAttribute(QLatin1String(name)) ? text(a, name) : QStringLiteral("1");
                       };
                       fitToWidth = fit("fitToWidth");
                       fitToHeight = fit("fitToHeight");
                   } else if (n == u"pageSetUpPr") {
                       fitToPage = text(a, "fitToPage") == u"1";
                   } else if (n == u"oddHeader") {
                       header = x.readElementText();
                   } else if (n == u"oddFooter") {
                       footer = x.readElementText();
                   } else if (n == u"printOptions") {
                       printGridlines = text(a, "gridLines") == u"1" || text(a, "gridLines") == u"true";
                   }
               });
    }
};

} // namespace vantor::test
