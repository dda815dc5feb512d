#include "untestedquery.h"

#include "querysql.h"

namespace vantor {

UntestedQuery runUntestedQuery(const RecordsLocation& location, int position, Reading reading)
{
    UntestedQuery run;
    run.connection = std::make_unique<Connection>();
    const QString connect = location.connectionString();
    run.connection->setConnectionString(connect);
    run.error = run.connection->open(connect, QString(), QString());
    if (run.error)
        return run;

    run.records = std::make_unique<RecordSet>();
    const QString sql = querysql::forPosition(position);
    if (sql.isEmpty()) {
        run.error = StoreError::make(CommandFailed, QStringLiteral("No entry of the list is selected."));
        return run;
    }
    run.error = run.records->open(sql, *run.connection, {}, reading);
    return run;
}

} // namespace vantor
