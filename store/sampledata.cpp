#include "sampledata.h"

#include <QDate>
#include <QStringList>

namespace vantor::masktest {

namespace {

// The words invented members are made of, one list each.
const QStringList LastNames
    = QStringLiteral("SMITH,JOHNSON,WILLIAMS,BROWN,JONES,GARCIA,MILLER,DAVIS,RODRIGUEZ,MARTINEZ,HERNANDEZ,LOPEZ,"
                     "GONZALEZ,WILSON,ANDERSON,THOMAS,TAYLOR,MOORE,JACKSON,MARTIN,LEE,PEREZ,THOMPSON,WHITE,HARRIS,"
                     "SANCHEZ,CLARK,RAMIREZ,LEWIS,ROBINSON,WALKER,YOUNG,ALLEN,KING,WRIGHT,SCOTT,NGUYEN,HILL,FLORES,"
                     "GREEN,O'BRIEN,MÜLLER,KOWALSKI,MURPHY")
          .split(u',');
const QStringList FirstNames = QStringLiteral("JAMES,MARY,ROBERT,PATRICIA,JOHN,JENNIFER,MICHAEL,LINDA,DAVID,ELIZABETH,"
                                              "WILLIAM,BARBARA,RICHARD,SUSAN,JOSEPH,JESSICA,THOMAS,SARAH,CARLOS,KAREN,"
                                              "DANIEL,NANCY,MARK,LISA,JOSÉ,ANA,KEVIN,MARIA")
                                   .split(u',');
const QStringList SpecialPlaces = QStringLiteral("ARSON UNIT,TRAINING ACADEMY,FIRE PREVENTION,HAZMAT,DISPATCH,"
                                                 "SAFETY OFFICE,HEADQUARTERS,EMS DIVISION")
                                      .split(u',');

} // namespace

SampleGenerator::SampleGenerator(quint32 seed, int currentYear)
    : m_random(seed)
    , m_currentYear(currentYear > 0 ? currentYear : QDate::currentDate().year())
{
}

QString SampleGenerator::pick(const QStringList& list)
{
    return list.at(int(m_random.bounded(quint32(list.size()))));
}

SampleRecord SampleGenerator::next()
{
    static const QStringList ranks{QStringLiteral("FF"),   QStringLiteral("FF"),  QStringLiteral("FF"),
                                   QStringLiteral("ENG"),  QStringLiteral("ENG"), QStringLiteral("LT"),
                                   QStringLiteral("CAPT"), QStringLiteral("BC"),  QStringLiteral("DC")};
    static const QStringList shifts{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    static const QStringList companies{QStringLiteral("E"), QStringLiteral("E"),  QStringLiteral("L"),
                                       QStringLiteral("M"), QStringLiteral("SQ"), QStringLiteral("R")};

    auto percent = [this] {
        return int(m_random.bounded(100u));
    };
    auto number = [this](int from, int to) {
        return QString::number(from + int(m_random.bounded(quint32(to - from + 1))));
    };

    // About one member in a hundred shares the FDID of the one before.
    QString id;
    if (!m_previousId.isEmpty() && percent() == 0)
        id = m_previousId;
    else
        id = QChar(u'A' + int(m_random.bounded(26u))) + number(0, 9) + number(0, 9) + number(0, 9);
    m_previousId = id;

    const int unitShare = percent();
    const QString unit = unitShare < 8 ? QStringLiteral("0") : number(1, 3);
    const QString batt = unit == QStringLiteral("0") ? QStringLiteral("0") : number(1, 7);
    const bool special = percent() < 6;

    QVariant month, day, year;
    const int tested = percent();
    if (tested < 55) {
        year = QString::number(m_currentYear);
    } else if (tested < 85) {
        year = QString::number(m_currentYear - 1);
    } else if (tested < 95) {
        year = QString::number(m_currentYear - 2 - int(m_random.bounded(5u)));
    } else if (tested < 98) {
        year = QStringLiteral(""); // the box was left empty
    }
    if (year.isValid() && !year.toString().isEmpty()) {
        month = number(1, 12);
        day = number(1, 28);
    } else if (year.isValid()) {
        month = QStringLiteral("");
        day = QStringLiteral("");
    }

    SampleRecord record;
    record.values = {
        id,
        pick(LastNames),
        pick(FirstNames),
        percent() < 10 ? QVariant() : QVariant(QString(QChar(u'A' + int(m_random.bounded(26u))))),
        pick(ranks),
        pick(shifts) + number(1, 3),
        batt,
        unit,
        pick(companies) + u'-' + number(1, 40),
        month,
        day,
        year,
        special ? QVariant(QStringLiteral("T")) : (percent() < 20 ? QVariant(QStringLiteral("")) : QVariant()),
        special ? QVariant(pick(SpecialPlaces)) : QVariant(),
    };
    return record;
}

} // namespace vantor::masktest
