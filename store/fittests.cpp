#include "fittests.h"

#include "masktest.h"

#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <cmath>

namespace vantor::fittests {

TableDefinition testTable()
{
    using Type = TableDefinition::Type;
    namespace c = column;
    TableDefinition table{TableName,
                          {c::Member, c::MemberId, c::TestDate, c::TestType, c::Protocol, c::ProtocolOther, c::Make,
                           c::Model, c::Style, c::Size, c::Facepiece, c::FitFactor, c::Passed, c::Tester, c::Note,
                           c::RecordingName, c::RecordingType, c::RecordingSize}};
    table.types = {{c::Member, Type::Integer},
                   {c::TestDate, Type::Date},
                   {c::FitFactor, Type::Number},
                   {c::Passed, Type::Integer},
                   {c::RecordingSize, Type::Integer}};
    table.required = {c::Member, c::TestDate, c::TestType,  c::Protocol, c::Make,  c::Model,
                      c::Style,  c::Size,     c::Facepiece, c::Passed,   c::Tester};
    table.ownKey = true;
    table.owner = TableDefinition::Owner{c::Member, masktest::TableName, c::MemberId, QStringLiteral("ID")};
    // A member's tests, and the due list's latest pass of each member, from one index; the
    // row key last, so that ties on the date need no sort.
    table.lookups
        = {{QStringLiteral("FitTest_Member"), {c::Member, c::Passed, c::TestDate, QStringLiteral("row_key")}}};
    return table;
}

TableDefinition recordingTable()
{
    using Type = TableDefinition::Type;
    const QString test = QStringLiteral("FitTest");
    const QString bytes = QStringLiteral("Bytes");
    TableDefinition table{RecordingTable, {test, bytes}};
    table.types = {{test, Type::Integer}, {bytes, Type::Bytes}};
    table.required = {test, bytes};
    table.ownKey = true;
    table.owner = TableDefinition::Owner{test, TableName};
    table.lookups = {{QStringLiteral("FitTestRecording_FitTest"), {test}, true}};
    return table;
}

const QList<Protocol>& protocols()
{
    static const QList<Protocol> all{
        {"isoamyl_acetate", QT_TRANSLATE_NOOP("vantor::fittests", "Isoamyl acetate"), TestType::Qualitative},
        {"saccharin", QT_TRANSLATE_NOOP("vantor::fittests", "Saccharin solution aerosol"), TestType::Qualitative},
        {"bitrex", QT_TRANSLATE_NOOP("vantor::fittests", "Bitrex (denatonium benzoate) solution aerosol"),
         TestType::Qualitative},
        {"irritant_smoke", QT_TRANSLATE_NOOP("vantor::fittests", "Irritant smoke (stannic chloride)"),
         TestType::Qualitative},
        {"generated_aerosol", QT_TRANSLATE_NOOP("vantor::fittests", "Generated aerosol"), TestType::Quantitative},
        {"cnc", QT_TRANSLATE_NOOP("vantor::fittests", "Ambient aerosol condensation nuclei counter (CNC)"),
         TestType::Quantitative},
        {"cnc_modified_elastomeric",
         QT_TRANSLATE_NOOP("vantor::fittests", "Modified CNC, full-facepiece and half-mask elastomeric"),
         TestType::Quantitative},
        {"cnc_modified_filtering", QT_TRANSLATE_NOOP("vantor::fittests", "Modified CNC, filtering facepiece"),
         TestType::Quantitative},
        {"cnp", QT_TRANSLATE_NOOP("vantor::fittests", "Controlled negative pressure (CNP)"), TestType::Quantitative},
        {"cnp_redon", QT_TRANSLATE_NOOP("vantor::fittests", "Controlled negative pressure (CNP) REDON"),
         TestType::Quantitative},
        {"other", QT_TRANSLATE_NOOP("vantor::fittests", "Other (see note)"), std::nullopt},
    };
    return all;
}

const Protocol* protocolByCode(const QString& code)
{
    for (const Protocol& protocol : protocols()) {
        if (code == QLatin1String(protocol.code))
            return &protocol;
    }
    return nullptr;
}

QString typeCode(TestType type)
{
    return type == TestType::Qualitative ? QStringLiteral("QL") : QStringLiteral("QN");
}

std::optional<TestType> typeFromCode(const QString& code)
{
    if (code == u"QL")
        return TestType::Qualitative;
    if (code == u"QN")
        return TestType::Quantitative;
    return std::nullopt;
}

QString facepieceCode(Facepiece facepiece)
{
    return facepiece == Facepiece::Full ? QStringLiteral("full") : QStringLiteral("half");
}

std::optional<Facepiece> facepieceFromCode(const QString& code)
{
    if (code == u"full")
        return Facepiece::Full;
    if (code == u"half")
        return Facepiece::Half;
    return std::nullopt;
}

QString typeName(TestType type)
{
    return type == TestType::Qualitative ? Text::tr("Qualitative") : Text::tr("Quantitative");
}

QString facepieceName(Facepiece facepiece)
{
    return facepiece == Facepiece::Full ? Text::tr("Full facepiece") : Text::tr("Half facepiece");
}

int passingFitFactor(Facepiece facepiece)
{
    return facepiece == Facepiece::Full ? 500 : 100;
}

bool passes(Facepiece facepiece, double fitFactor)
{
    return fitFactor >= passingFitFactor(facepiece);
}

QString recordingType(const QString& fileName, const QByteArray& bytes)
{
    static const QStringList accepted{QStringLiteral("application/pdf"), QStringLiteral("text/csv"),
                                      QStringLiteral("image/png"),       QStringLiteral("image/jpeg"),
                                      QStringLiteral("image/gif"),       QStringLiteral("image/bmp"),
                                      QStringLiteral("image/tiff"),      QStringLiteral("image/webp")};
    const QMimeDatabase mimes;
    // The content decides where it can: a picture saved as .pdf is not a PDF. A CSV file is
    // plain text, which only its name tells from any other.
    QMimeType type = mimes.mimeTypeForData(bytes);
    if (type.inherits(QStringLiteral("text/plain")) || type.isDefault())
        type = mimes.mimeTypeForFileNameAndData(fileName, bytes);
    for (const QString& name : accepted) {
        if (type.inherits(name))
            return name;
    }
    return {};
}

QString FitTest::respirator() const
{
    QStringList parts;
    for (const QString& part : {make, model, style, size}) {
        if (!part.trimmed().isEmpty())
            parts << part.trimmed();
    }
    return parts.join(u' ');
}

std::optional<QDate> lastDateTested(const QString& month, const QString& day, const QString& year)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    const QString m = month.trimmed(), d = day.trimmed(), y = year.trimmed();
    if (!digits.match(m).hasMatch() || !digits.match(d).hasMatch() || !fourDigits.match(y).hasMatch())
        return std::nullopt;
    const QDate date(y.toInt(), m.toInt(), d.toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

TypedDate typedDate(const QDate& date)
{
    return {QString::number(date.month()), QString::number(date.day()), QString::number(date.year())};
}

std::optional<QDate> parseTypedDate(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})\s*$)"));
    static const QRegularExpression us(
        QStringLiteral(R"(^\s*(\d{1,2})\s*[/.-]\s*(\d{1,2})\s*[/.-]\s*(\d{2}|\d{4})\s*$)"));
    int year = 0, month = 0, day = 0;
    if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (const QRegularExpressionMatch n = us.match(text); n.hasMatch()) {
        month = n.captured(1).toInt(), day = n.captured(2).toInt(), year = n.captured(3).toInt();
        if (n.captured(3).size() == 2)
            year += 2000;
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QString shownDate(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("MM/dd/yyyy")) : QString();
}

std::optional<double> parseFitFactor(const QString& text)
{
    // Thousands grouped by commas, as a clerk copies "2,300" from the printout; one decimal.
    static const QRegularExpression number(QStringLiteral(R"(^\s*(\d{1,3}(,\d{3})+|\d+)(\.\d)?\s*$)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    QString plain = m.captured(1) + m.captured(3);
    plain.remove(u',');
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString shownFitFactor(double fitFactor)
{
    // Grouped as the instrument's printout and the clerk write it: "2,300".
    return QLocale(QLocale::English).toString(fitFactor, 'f', fitFactor == std::floor(fitFactor) ? 0 : 1);
}

QDate dueAfter(const QDate& lastPass)
{
    return lastPass.addMonths(12);
}

QDate lastPassDueBy(const QDate& day)
{
    QDate pass = day.addMonths(-12);
    while (dueAfter(pass.addDays(1)) <= day)
        pass = pass.addDays(1);
    return pass;
}

} // namespace vantor::fittests
