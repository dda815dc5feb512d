#include "xlsxcontent.h"

#include <QProcess>
#include <QXmlStreamReader>

namespace vantor::test {

namespace {

QByteArray part(const QString& path, const QString& name, QString* error)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, name});
    if (!unzip.waitForFinished(60000) || unzip.exitCode() != 0) {
        *error = QStringLiteral("unzip -p %1 %2 failed: %3").arg(path, name, QString::fromLocal8Bit(unzip.readAllStandardError()));
        return {};
    }
    return unzip.readAllStandardOutput();
}

int rowOf(const QString& ref)
{
    qsizetype i = 0;
    while (i < ref.size() && ref.at(i).isLetter())
        ++i;
    return ref.mid(i).toInt();
}

} // namespace

bool XlsxContent::load(const QString& path, QString* error)
{
    QString failure;
    const QByteArray workbook = part(path, QStringLiteral("xl/workbook.xml"), &failure);
    const QByteArray styleXml = part(path, QStringLiteral("xl/styles.xml"), &failure);
    const QByteArray sheet = part(path, QStringLiteral("xl/worksheets/sheet1.xml"), &failure);
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    QStringList shared;
    {
        QString ignored;
        QXmlStreamReader xml(part(path, QStringLiteral("xl/sharedStrings.xml"), &ignored));
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                shared << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }

    QXmlStreamReader wb(workbook);
    while (!wb.atEnd()) {
        if (wb.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (wb.name() == u"sheet") {
            sheetNames << wb.attributes().value(QLatin1String("name")).toString();
            sheetStates << wb.attributes().value(QLatin1String("state")).toString();
        } else if (wb.name() == u"definedName") {
            const QString key = wb.attributes().value(QLatin1String("name")).toString() + u'@'
                + wb.attributes().value(QLatin1String("localSheetId")).toString();
            definedNames.insert(key, wb.readElementText());
        }
    }

    QXmlStreamReader st(styleXml);
    bool inFonts = false, inCellXfs = false;
    while (!st.atEnd()) {
        const auto token = st.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (st.name() == u"fonts")
                inFonts = false;
            if (st.name() == u"cellXfs")
                inCellXfs = false;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto a = st.attributes();
        if (st.name() == u"fonts")
            inFonts = true;
        else if (st.name() == u"cellXfs")
            inCellXfs = true;
        else if (inFonts && st.name() == u"font")
            fonts << Font{};
        else if (inFonts && st.name() == u"b")
            fonts.last().bold = a.value(QLatin1String("val")) != u"0";
        else if (inFonts && st.name() == u"sz")
            fonts.last().size = a.value(QLatin1String("val")).toDouble();
        else if (inFonts && st.name() == u"color")
            fonts.last().color = a.value(QLatin1String("rgb")).toString();
        else if (inCellXfs && st.name() == u"xf")
            styles << qMakePair(a.value(QLatin1String("fontId")).toInt(), QString());
        else if (inCellXfs && st.name() == u"alignment")
            styles.last().second = a.value(QLatin1String("horizontal")).toString();
    }

    QXmlStreamReader ws(sheet);
    Cell* current = nullptr;
    while (!ws.atEnd()) {
        if (ws.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = ws.attributes();
        if (ws.name() == u"col") {
            columns << Column{a.value(QLatin1String("min")).toInt(), a.value(QLatin1String("max")).toInt(), a.value(QLatin1String("width")).toDouble(),
                              a.hasAttribute(QLatin1String("style")) ? a.value(QLatin1String("style")).toInt() : -1};
        } else if (ws.name() == u"c") {
            const QString ref = a.value(QLatin1String("r")).toString();
            current = &cells[ref];
            current->type = a.value(QLatin1String("t")).toString();
            current->style = a.value(QLatin1String("s")).toInt();
            lastRow = std::max(lastRow, rowOf(ref));
        } else if (current && ws.name() == u"f") {
            current->hasFormula = true;
        } else if (current && ws.name() == u"v") {
            const QString v = ws.readElementText();
            current->hasValue = true;
            current->text = current->type == u"s" ? shared.value(v.toInt()) : v;
        } else if (current && ws.name() == u"is") {
            current->hasValue = true;
            current->text = ws.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (ws.name() == u"pageSetup") {
            orientation = a.value(QLatin1String("orientation")).toString();
        } else if (ws.name() == u"printOptions") {
            printGridlines = a.value(QLatin1String("gridLines")) == u"1" || a.value(QLatin1String("gridLines")) == u"true";
        }
    }
    if (wb.hasError() || st.hasError() || ws.hasError()) {
        *error = QStringLiteral("The workbook's XML does not parse: %1 %2 %3")
                     .arg(wb.errorString(), st.errorString(), ws.errorString());
        return false;
    }
    return true;
}

const XlsxContent::Cell* XlsxContent::cell(const QString& ref) const
{
    const auto it = cells.constFind(ref);
    return it == cells.constEnd() ? nullptr : &*it;
}

const XlsxContent::Column* XlsxContent::column(int number) const
{
    for (const Column& c : columns) {
        if (number >= c.min && number <= c.max)
            return &c;
    }
    return nullptr;
}

} // namespace vantor::test
