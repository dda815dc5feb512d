#include "untestedquery.h"

#include "querysql.h"

#include <QCoreApplication>
#include <QDate>

namespace vantor {

namespace {

// The translators' context of the query's failures.
struct Query {
    Q_DECLARE_TR_FUNCTIONS(vantor::UntestedQuery)
};

// Read right after the list: a list made just before midnight on New Year's Eve still names
// the year it compared with. Where the store cannot say, this computer's clock does.
int storeYear(Connection& connection)
{
    QVariant value;
    if (!connection.readValue(querysql::StoreYear, {}, value)) {
        bool ok = false;
        const int year = value.toInt(&ok);
        if (ok)
            return year;
    }
    return QDate::currentDate().year();
}

} // namespace

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
        run.error = StoreError::make(CommandFailed, Query::tr("No entry of the list is selected."));
        return run;
    }
    run.listName = querysql::entries().at(position);
    run.error = run.records->open(sql, *run.connection, {}, reading);
    if (!run.error)
        run.year = storeYear(*run.connection);
    return run;
}

} // namespace vantor
