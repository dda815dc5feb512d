#pragma once

#include <recordset.h>

#include <QString>

namespace vantor::bench {

struct HistoryOutcome {
    StoreError error;
    qint64 rows = 0;
    QString first;
};

// `vantor --verify-history`'s check of the records at `path`: its rows are the entries read,
// its "first" whether the history is whole.
HistoryOutcome verifyHistoryJob(const QString& path);

// `count` changes of `kind` (save, update or delete) made through the records window's record
// set as its Save, Update and Delete make them: every field written, one record at a time.
HistoryOutcome writeJob(RecordSet& records, const QString& kind, int count);

} // namespace vantor::bench
