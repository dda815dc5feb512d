#include "historyseal.h"

#include "history.h"
#include "historychain.h"
#include "historyentries.h"

#include <sqlite3.h>

#include <limits>

namespace vantor::history::seal {

namespace {

const QString Outstanding = QStringLiteral("Vantor cannot seal this entry: entries before it are not sealed.");
const QString LastUnsealed = QStringLiteral(R"(SELECT "Hash" IS NULL FROM "History" ORDER BY "row_key" DESC LIMIT 1)");
// The previous entry's hash, read where the entry is written. A connection's trigger may read
// and write the main schema's tables; the main schema's triggers could not read a TEMP table.
const QString Previous = QStringLiteral(
    R"((SELECT "Hash" FROM main."History" WHERE "row_key" < NEW."row_key" ORDER BY "row_key" DESC LIMIT 1))");
const QString TriggerReady
    = QStringLiteral("SELECT 1 FROM sqlite_temp_master WHERE type = 'trigger' AND name = 'vantor_seal'");
const QString FunctionsThere
    = QStringLiteral("SELECT vantor_writer(), vantor_seal(%1)")
          .arg(QStringList(chain::FieldCount + 1, QStringLiteral("NULL")).join(QStringLiteral(", ")));
const QString SealTrigger = QStringLiteral(
    R"(CREATE TEMP TRIGGER IF NOT EXISTS "vantor_seal" AFTER INSERT ON main."History" WHEN NEW."Hash" IS NULL )"
    R"(BEGIN SELECT RAISE(ABORT, '%1') WHERE (SELECT "Hash" IS NULL FROM main."History" WHERE "row_key" < )"
    R"(NEW."row_key" ORDER BY "row_key" DESC LIMIT 1); UPDATE "History" SET "Who" = vantor_writer(), )"
    R"("Hash" = vantor_seal(%2, NEW."row_key", NEW."At", vantor_writer(), NEW."Record", NEW."RecordKey", )"
    R"(NEW."Member", NEW."FDID", NEW."Action", NEW."Before", NEW."After", NEW."Note", NEW."Sealed") WHERE )"
    R"("row_key" = NEW."row_key"; END)");

void writer(sqlite3_context* context, int, sqlite3_value**)
{
    const QByteArray name = localWriter().toUtf8();
    sqlite3_result_text(context, name.constData(), int(name.size()), SQLITE_TRANSIENT);
}

// vantor_seal(previous hash, then the entry's fields in the chain's order): the entry's hash.
void sealFunction(sqlite3_context* context, int count, sqlite3_value** values)
{
    auto* hasher = static_cast<chain::Hasher*>(sqlite3_user_data(context));
    chain::EntryBytes bytes;
    for (int i = 1; i < count; ++i) {
        if (sqlite3_value_type(values[i]) == SQLITE_NULL) {
            bytes.addNull();
        } else {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
            bytes.add(QByteArrayView(text, sqlite3_value_bytes(values[i])));
        }
    }
    const bool first = sqlite3_value_type(values[0]) == SQLITE_NULL;
    const QByteArray previous = first
        ? chain::firstPrevious()
        : QByteArray(reinterpret_cast<const char*>(sqlite3_value_text(values[0])), sqlite3_value_bytes(values[0]));
    const QByteArray hash = hasher->seal(previous, bytes.bytes());
    if (hash.isEmpty())
        sqlite3_result_error(context, "SHA-256 is not available to seal the history", -1);
    else
        sqlite3_result_text(context, hash.constData(), int(hash.size()), SQLITE_TRANSIENT);
}

void dropHasher(void* hasher)
{
    delete static_cast<chain::Hasher*>(hasher);
}

StoreError cannotPrepare(const Connection& connection)
{
    return StoreError::make(EngineFailure,
                            Text::tr("%1: Vantor cannot seal the history of changes on this "
                                     "connection, and changes nothing without it.")
                                .arg(connection.dataSource()));
}

// Gives every SQLite connection this process opens the two functions, as it opens: a connection's
// handle is its engine's own. Opening never fails for them; prepare() finds them missing.
int addFunctions(sqlite3* handle, char**, const sqlite3_api_routines*)
{
    sqlite3_create_function_v2(handle, "vantor_writer", 0, SQLITE_UTF8, nullptr, writer, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, "vantor_seal", chain::FieldCount + 1, SQLITE_UTF8, new chain::Hasher,
                               sealFunction, nullptr, nullptr, dropHasher);
    return SQLITE_OK;
}

// Before any connection is opened: the functions cannot be given to a connection afterwards.
[[maybe_unused]] const int FunctionsAdded = sqlite3_auto_extension(reinterpret_cast<void (*)()>(&addFunctions));

} // namespace

StoreError prepare(Connection& connection, bool& kept)
{
    kept = false;
    // Asked at every write: a transaction taken back takes the trigger made in it along.
    QList<QVariantList> rows;
    if (StoreError error = connection.query(TriggerReady, {}, rows))
        return error;
    if (!rows.isEmpty()) {
        kept = true;
        return {};
    }
    if (StoreError error = isKept(connection, kept); error || !kept)
        return error;
    if (FunctionsAdded != SQLITE_OK || connection.query(FunctionsThere, {}, rows))
        return cannotPrepare(connection);
    return connection.execute(SealTrigger.arg(Outstanding, Previous));
}

bool isOutstanding(const StoreError& error)
{
    return error && error.description.contains(Outstanding);
}

StoreError sealOutstanding(Connection& connection)
{
    QList<QVariantList> last;
    if (StoreError error = connection.query(LastUnsealed, {}, last))
        return error;
    if (last.isEmpty() || last.first().value(0).toInt() == 0)
        return {};
    return sealPending(connection, std::numeric_limits<qint64>::max());
}

} // namespace vantor::history::seal
