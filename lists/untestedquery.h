#pragma once

#include <connection.h>
#include <recordset.h>
#include <recordslocation.h>

#include <QString>

#include <memory>

namespace vantor {

// One run of an untested-personnel query: its own connection and record set, or the
// failure that stopped it.
struct UntestedQuery {
    std::unique_ptr<Connection> connection;
    std::unique_ptr<RecordSet> records;
    StoreError error;
    QString listName; // the entry's text, "1 Unit"
    int year = 0; // the store's calendar year as the list was made: the year its members were not tested in
};

// Runs the query of list entry `position` (0 to 4) on the records at `location`,
// in the order the query window has always used: connection, connection string, open,
// record set, open the record set. The window's grid reads the rows on demand; a report,
// which walks the whole list once, reads them all at once.
UntestedQuery runUntestedQuery(const RecordsLocation& location, int position, Reading reading = Reading::OnDemand);
// The same on a connection the caller keeps open (the query window's own, for every list it
// shows): `connection` of the result stays empty. The list and the store's year come in one
// round trip on a server.
UntestedQuery runUntestedQuery(Connection& connection, int position, Reading reading = Reading::OnDemand);

} // namespace vantor
