#include "fittestrecord.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace vantor::fittests {

namespace {

struct Print {
    Q_DECLARE_TR_FUNCTIONS(vantor::FitTestRecord)
};

QString cell(const QString& text)
{
    return QStringLiteral("<td>") + text.toHtmlEscaped() + QStringLiteral("</td>");
}

QString testRow(const FitTest& test)
{
    const Protocol* protocol = protocolByCode(test.protocol);
    QString how = typeName(test.type);
    if (protocol)
        how += QStringLiteral(", ") + QCoreApplication::translate("vantor::fittests", protocol->name);
    if (test.protocol == OtherProtocol && !test.protocolOther.isEmpty())
        how += QStringLiteral(": ") + test.protocolOther;
    QString result = test.passed ? Print::tr("Pass") : Print::tr("Fail");
    if (test.type == TestType::Quantitative && test.fitFactor)
        result = Print::tr("%1, fit factor %2 (%3 or more needed)")
                     .arg(result, shownFitFactor(*test.fitFactor), QString::number(passingFitFactor(test.facepiece)));
    QString recording = test.recordingName;
    if (!recording.isEmpty())
        recording = Print::tr("%1 (kept with the records)").arg(recording);
    return QStringLiteral("<tr>") + cell(shownDate(test.date)) + cell(how) + cell(test.make) + cell(test.model)
        + cell(test.style) + cell(test.size) + cell(facepieceName(test.facepiece)) + cell(result) + cell(test.tester)
        + cell(recording) + cell(test.note) + QStringLiteral("</tr>");
}

} // namespace

QString recordHtml(const Member& member, const QList<FitTest>& tests, const QDate& printed)
{
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral("<h2>%1</h2>").arg(Print::tr("Respirator Fit Test Record").toHtmlEscaped());
    const std::optional<QDate> last = member.lastDateTested();
    html += QStringLiteral("<p><b>%1</b> %2 &nbsp;&nbsp; <b>%3</b> %4 &nbsp;&nbsp; <b>%5</b> %6<br><b>%7</b> %8</p>")
                .arg(Print::tr("FDID:").toHtmlEscaped(), member.id.toHtmlEscaped(), Print::tr("Name:").toHtmlEscaped(),
                     member.name().toHtmlEscaped(), Print::tr("Rank:").toHtmlEscaped(), member.rank.toHtmlEscaped(),
                     Print::tr("Last Date Tested:").toHtmlEscaped(),
                     last ? shownDate(*last) : Print::tr("none on record").toHtmlEscaped());
    if (tests.isEmpty()) {
        html += QStringLiteral("<p>%1</p>").arg(Print::tr("No fit test is on record.").toHtmlEscaped());
    } else {
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>");
        for (const QString& heading :
             {Print::tr("Date"), Print::tr("Fit test"), Print::tr("Make"), Print::tr("Model"), Print::tr("Style"),
              Print::tr("Size"), Print::tr("Facepiece"), Print::tr("Result"), Print::tr("Tested by"),
              Print::tr("Recording"), Print::tr("Note")})
            html += QStringLiteral("<th>") + heading.toHtmlEscaped() + QStringLiteral("</th>");
        html += QStringLiteral("</tr>");
        for (const FitTest& test : tests)
            html += testRow(test);
        html += QStringLiteral("</table>");
    }
    html += QStringLiteral("<p><br>%1 ______________________________ &nbsp;&nbsp; %2 ______________</p>")
                .arg(Print::tr("Received by the member:").toHtmlEscaped(), Print::tr("Date:").toHtmlEscaped());
    html += QStringLiteral("<p><small>%1</small></p>")
                .arg(Print::tr("Fit tests as 29 CFR 1910.134 (m)(2) asks them to be recorded: a quantitative test "
                               "passes with a fit factor of at least 100 for a half facepiece and 500 for a full "
                               "facepiece. Printed %1.")
                         .arg(shownDate(printed))
                         .toHtmlEscaped());
    return html + QStringLiteral("</body></html>");
}

bool writeRecordPdf(const QString& path, const Member& member, const QList<FitTest>& tests, const QDate& printed,
                    QString* error)
{
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setTitle(Print::tr("Respirator Fit Test Record %1").arg(member.id));
    writer.setCreator(QCoreApplication::applicationName());
    const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setPageSize(page.size());
    document.setDocumentMargin(0);
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    // Smaller type first, then fewer tests: one page, which the member can be handed.
    QList<FitTest> shown = tests;
    for (qreal points = 10;; points -= 0.5) {
        font.setPointSizeF(std::max<qreal>(points, 6));
        document.setDefaultFont(font);
        QString html = recordHtml(member, shown, printed);
        if (shown.size() < tests.size())
            html.replace(QStringLiteral("</table>"),
                         QStringLiteral("</table><p>%1</p>")
                             .arg(Print::tr("%n earlier test(s) not shown on this page.", nullptr,
                                            int(tests.size() - shown.size()))
                                      .toHtmlEscaped()));
        document.setHtml(html);
        if (document.pageCount() <= 1 || shown.isEmpty())
            break;
        if (points <= 6)
            shown.removeLast();
    }
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = Print::tr("The file %1 cannot be written.").arg(path);
        return false;
    }
    document.drawContents(&painter, page);
    painter.end();
    if (!QFile::exists(path)) {
        if (error)
            *error = Print::tr("The file %1 cannot be written.").arg(path);
        return false;
    }
    return true;
}

} // namespace vantor::fittests
