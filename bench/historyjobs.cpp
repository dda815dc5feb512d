#include "historyjobs.h"

#include <historycheck.h>
#include <masktest.h>
#include <sampledata.h>

namespace vantor::bench {

HistoryOutcome verifyHistoryJob(const QString& path)
{
    Connection connection;
    HistoryOutcome outcome;
    outcome.error = connection.open(RecordsLocation::fromText(path).connectionString());
    history::Verification result;
    if (!outcome.error)
        outcome.error = history::verifyHistory(connection, result);
    outcome.rows = result.entries;
    outcome.first = result.isWhole() ? QStringLiteral("whole") : QStringLiteral("broken");
    return outcome;
}

HistoryOutcome writeJob(RecordSet& records, const QString& kind, int count)
{
    HistoryOutcome outcome;
    const QStringList fields = masktest::fieldNames();
    masktest::SampleGenerator generator(quint32(records.recordCount()));
    StoreError& error = outcome.error;
    error = records.moveFirst();
    for (int i = 0; i < count && !error; ++i) {
        if (kind == QLatin1String("delete")) {
            error = records.deleteCurrent();
            if (!error)
                error = records.moveNext();
        } else {
            const bool adding = kind == QLatin1String("save");
            if (adding)
                error = records.addNew();
            // As the window's writeFields(): every box's text into its field, then one write.
            const masktest::SampleRecord sample = generator.next();
            for (qsizetype f = 0; f < fields.size() && !error; ++f)
                error = records.setValue(fields.at(f),
                                         adding || f == 1 ? sample.values.at(f).toString()
                                                          : records.value(fields.at(f)).toString());
            if (!error)
                error = records.update();
            if (!error && !adding)
                error = records.moveNext();
        }
        ++outcome.rows;
    }
    if (!error && kind != QLatin1String("save") && records.eof())
        error = StoreError::make(NoCurrentRecord, QStringLiteral("The file ran out of records to change."));
    return outcome;
}

} // namespace vantor::bench
