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

} // namespace

UntestedQuery runUntestedQuery(const RecordsLocation& location, int position, Reading reading)
{
    auto connection = std::make_unique<Connection>();
    const QString connect = location.connectionString();
    connection->setConnectionString(connect);
    if (StoreError error = connection->open(connect, QString(), QString())) {
        UntestedQuery run;
        run.connection = std::move(connection);
        run.error = error;
        return run;
    }
    UntestedQuery run = runUntestedQuery(*connection, position, reading);
    run.connection = std::move(connection);
    return run;
}

UntestedQuery runUntestedQuery(Connection& connection, int position, Reading reading)
{
    UntestedQuery run;
    run.records = std::make_unique<RecordSet>();
    const QString sql = querysql::forPosition(position);
    if (sql.isEmpty()) {
        run.error = StoreError::make(CommandFailed, Query::tr("No entry of the list is selected."));
        return run;
    }
    run.listName = querysql::entries().at(position);
    // Read with the list: a list made just before midnight on New Year's Eve still names the
    // year it compared with. Where the store cannot say, this computer's clock does.
    QVariant year;
    Statement readYear = connection.valueStatement(querysql::StoreYear, {}, year);
    readYear.optional = true;
    run.error = run.records->open(sql, connection, {}, reading, {std::move(readYear)});
    if (run.error)
        return run;
    bool ok = false;
    run.year = year.toInt(&ok);
    if (!ok)
        run.year = QDate::currentDate().year();
    return run;
}

} // namespace vantor
