#include "commands.h"

#include <history.h>
#include <historycheck.h>
#include <masktest.h>

namespace vantor::commands {

int verifyHistory(const RecordsLocation& location, QTextStream& out, QTextStream& err)
{
    Connection connection;
    StoreError error = connection.open(location.connectionString());
    if (!error)
        error = masktest::verifySchema(connection);
    bool kept = false;
    if (!error)
        error = history::isKept(connection, kept);
    if (error) {
        complain(err, Text::tr("the history of %1 cannot be checked: %2").arg(location.displayName(), describe(error)));
        return 1;
    }
    // Checking changes nothing, not even the version of records that keep no history yet.
    if (!kept) {
        complain(err,
                 Text::tr("%1 keeps no history yet: records of an earlier version start theirs when Vantor next opens "
                          "them, or with vantor --upgrade-database")
                     .arg(location.displayName()));
        return 1;
    }
    history::Verification result;
    if (const StoreError failed = history::verifyHistory(connection, result)) {
        complain(err,
                 Text::tr("the history of %1 cannot be checked: %2").arg(location.displayName(), describe(failed)));
        return 1;
    }
    for (const QString& line : history::describeVerification(result, location.displayName()))
        out << line << '\n';
    return result.isWhole() ? 0 : 1;
}

} // namespace vantor::commands
