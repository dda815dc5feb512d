#pragma once

#include "engine.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// Respirator fit tests, kept as the respiratory protection standard asks a record to hold
// them: who was tested, how, with which facepiece, when, and with what result.
namespace vantor::fittests {

// The translators' context of the fit tests' names and rules.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(vantor::fittests)
};

inline const QString TableName = QStringLiteral("FitTest");
inline const QString RecordingTable = QStringLiteral("FitTestRecording");

// The columns of FitTest, in the table's order.
namespace column {
inline const QString Member = QStringLiteral("Member"); // MT's hidden row key
inline const QString MemberId = QStringLiteral("MemberID"); // the member's FDID, kept by the database
inline const QString TestDate = QStringLiteral("TestDate");
inline const QString TestType = QStringLiteral("TestType");
inline const QString Protocol = QStringLiteral("Protocol");
inline const QString ProtocolOther = QStringLiteral("ProtocolOther");
inline const QString Make = QStringLiteral("Make");
inline const QString Model = QStringLiteral("Model");
inline const QString Style = QStringLiteral("Style");
inline const QString Size = QStringLiteral("Size");
inline const QString Facepiece = QStringLiteral("FacepieceClass");
inline const QString FitFactor = QStringLiteral("FitFactor");
inline const QString Passed = QStringLiteral("Passed");
inline const QString Tester = QStringLiteral("Tester");
inline const QString Note = QStringLiteral("Note");
inline const QString RecordingName = QStringLiteral("RecordingName");
inline const QString RecordingType = QStringLiteral("RecordingType");
inline const QString RecordingSize = QStringLiteral("RecordingSize");
} // namespace column

// FitTest, and FitTestRecording: a test's recording, its bytes alone, so that no list of
// tests reads them.
TableDefinition testTable();
TableDefinition recordingTable();

enum class TestType { Qualitative, Quantitative };
enum class Facepiece { Full, Half };

// A protocol the standard accepts, or "other" with a note. Its code is what the records keep.
struct Protocol {
    const char* code;
    const char* name; // as the clerk reads it; translated
    std::optional<TestType> type; // none: either ("other")
};
const QList<Protocol>& protocols();
const Protocol* protocolByCode(const QString& code);
inline const QString OtherProtocol = QStringLiteral("other");

QString typeCode(TestType type);
std::optional<TestType> typeFromCode(const QString& code);
QString facepieceCode(Facepiece facepiece);
std::optional<Facepiece> facepieceFromCode(const QString& code);
QString typeName(TestType type);
QString facepieceName(Facepiece facepiece);

// The overall fit factor a quantitative test must reach: 100 for a tight-fitting half
// facepiece, 500 for a full one (an SCBA facepiece is tested as a full facepiece).
int passingFitFactor(Facepiece facepiece);
bool passes(Facepiece facepiece, double fitFactor);

// The largest recording kept with a test, and the kinds of file it may be.
constexpr qint64 MaxRecordingBytes = 10 * 1024 * 1024;
// The MIME type of a file the instrument may have printed to, or an empty text where the
// file is none of them (a PDF, a CSV file or a picture).
QString recordingType(const QString& fileName, const QByteArray& bytes);

struct FitTest {
    qint64 key = 0; // 0: not stored yet
    QDate date;
    TestType type = TestType::Quantitative;
    QString protocol;
    QString protocolOther;
    QString make;
    QString model;
    QString style;
    QString size;
    Facepiece facepiece = Facepiece::Full;
    std::optional<double> fitFactor; // quantitative tests only
    bool passed = false;
    QString tester;
    QString note;
    QString recordingName; // empty: none
    QString recordingType;
    qint64 recordingSize = 0;

    // "MSA G1 SCBA facepiece M"
    QString respirator() const;
};

// The member's Last Date Tested, where its three texts make a date: whole numbers, blanks
// around them ignored, a four-digit year.
std::optional<QDate> lastDateTested(const QString& month, const QString& day, const QString& year);
// A date as the clerk types it into Month, Day and Year: "3", "7", "2026".
struct TypedDate {
    QString month;
    QString day;
    QString year;
};
TypedDate typedDate(const QDate& date);

// A date as the clerk types it: month/day/year with slashes, dashes or dots ("3/7/2026",
// "03-07-26"), or the ISO form "2026-03-07". Two-digit years are this century's.
std::optional<QDate> parseTypedDate(const QString& text);
// A date as the fit-test windows show it: "03/07/2026".
QString shownDate(const QDate& date);
// A fit factor as typed, "2,300" or "145.5"; none for anything else; and as shown, "2,300".
std::optional<double> parseFitFactor(const QString& text);
QString shownFitFactor(double fitFactor);

// The first date a member is due for a fit test again: twelve months after `lastPass`.
QDate dueAfter(const QDate& lastPass);
// The latest pass whose due date is on or before `day`: a member whose last pass is on or
// before it is due by then. Not simply a year earlier: a pass on February 29th is due on
// February 28th.
QDate lastPassDueBy(const QDate& day);

} // namespace vantor::fittests
