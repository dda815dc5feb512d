#include "commands.h"

#include <connection.h>
#include <masktest.h>
#include <schema.h>

namespace vantor::commands {

int upgradeDatabase(const RecordsLocation& location, QTextStream& out, QTextStream& err)
{
    Connection connection;
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = masktest::verifySchema(connection);
    bool upgraded = false;
    if (!error)
        error = schema::upgrade(connection, &upgraded);
    if (error) {
        complain(err, Text::tr("%1 was not upgraded: %2").arg(location.displayName(), describe(error)));
        return 1;
    }
    if (upgraded && location.isServer())
        out << Text::tr("The records at %1 now hold fit tests and keep the history of every change (records "
                        "version %2). Give the clerks their rights on the new tables, as on MT, and to read the "
                        "history, nothing more: GRANT SELECT, INSERT, UPDATE, DELETE ON \"FitTest\", "
                        "\"FitTestRecording\", \"VantorSchema\" TO ...; GRANT SELECT ON \"History\" TO ...")
                   .arg(location.displayName(), QString::number(schema::CurrentVersion))
            << '\n';
    else if (upgraded)
        out << Text::tr("The records at %1 now hold fit tests and keep the history of every change (records "
                        "version %2); the history of each record starts with its values now.")
                   .arg(location.displayName(), QString::number(schema::CurrentVersion))
            << '\n';
    else
        out << Text::tr("The records at %1 hold fit tests and keep a history already; nothing was changed.")
                   .arg(location.displayName())
            << '\n';
    return 0;
}

} // namespace vantor::commands
