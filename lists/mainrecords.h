#pragma once

#include <connection.h>
#include <recordset.h>
#include <recordslocation.h>

#include <QString>

#include <memory>

namespace vantor {

// The records window's store objects as its start-up opens them. They are opened here,
// without a widget, so that the window and the benchmark run the same steps.
struct MainRecords {
    std::unique_ptr<Connection> connection; // m_cnnMaskTest
    QString dbPath; // m_strDBPath
    QString connect; // m_strConnect
    std::unique_ptr<RecordSet> records; // m_rsMaskTest
    QString sql; // m_strSQL
    StoreError error; // the step that failed; the objects before it are set
};

// Form_Load's store steps, in its order: create the connection, form the path and the
// connection string, open the connection (and check its table), create the record set and
// open it on the start-up query, on the window's connection, which every later record set of
// the window shares. The first record is then the window's to show.
MainRecords openMainRecords(const RecordsLocation& location);

// Search's new record set on the window's connection: every record when `answer` is empty,
// otherwise the records whose ID is the answer as typed. `found` is set only when the set
// opened. It reads the records as they are stored now, as a set on a new connection would.
StoreError openSearchRecords(Connection& connection, const QString& answer, std::unique_ptr<RecordSet>& found);

} // namespace vantor
