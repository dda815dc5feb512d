#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QVariant>

namespace vantor::masktest {

// One invented member, the fourteen values in the table's field order (a null is an
// invalid QVariant).
struct SampleRecord {
    QList<QVariant> values;
};

// Plausible, invented personnel for trying the program out and for benchmarks:
// ranks, Kelly days, battalions and units in realistic shares, most members tested this
// year, some last year or long ago, a few never; some on special assignment, some IDs
// given twice, some optional fields null. The same seed gives the same members.
class SampleGenerator
{
public:
    explicit SampleGenerator(quint32 seed = 1, int currentYear = 0);
    SampleRecord next();

private:
    QString pick(const QStringList& list);
    QRandomGenerator m_random;
    int m_currentYear;
    QString m_previousId;
};

} // namespace vantor::masktest
