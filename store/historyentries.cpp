#include "historyentries.h"

#include "historydialect.h"

#include <QDateTime>

namespace vantor::history {

namespace {

const QString EntriesAfter
    = QStringLiteral(R"(SELECT "row_key", "At", "Who", "Record", "RecordKey", "Member", "FDID", "Action", "Before", )"
                     R"("After", "Note", "Sealed", "Hash" FROM "History" WHERE "row_key" > ? ORDER BY "row_key" )"
                     R"(LIMIT %1)");
const QString LastSealed = QStringLiteral(
    R"(SELECT "row_key", "Hash" FROM "History" WHERE "Hash" IS NOT NULL ORDER BY "row_key" DESC LIMIT 1)");
// A page's hashes in one statement: 64 hexadecimal digits for each number from the first on.
const QString SealPage = QStringLiteral(R"(UPDATE "History" SET "Hash" = substr(?, ("row_key" - ?) * 64 + 1, 64) )"
                                        R"(WHERE "row_key" BETWEEN ? AND ?)");
const QString SealLate = QStringLiteral(R"(UPDATE "History" SET "Sealed" = ? WHERE "row_key" = ?)");

constexpr int SealingPage = 2000;

} // namespace

StoreError readEntries(Connection& connection, qint64 after, int limit, TextRows& rows)
{
    rows = TextRows(entryfield::Count);
    return connection.readTextRows(EntriesAfter.arg(limit), {after}, rows);
}

StoreError readCurrentRows(Connection& connection, const Audited& table, qint64 after, int limit, TextRows& rows)
{
    rows = TextRows(2);
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    if (!sql)
        return {};
    return connection.readTextRows(sql->currentRowsStatement(table, limit), {after}, rows);
}

StoreError readHead(Connection& connection, bool& kept, qint64& entry, QByteArray& hash)
{
    kept = false;
    const dialect::Dialect* sql = dialect::of(*connection.engine());
    if (!sql)
        return {};
    QList<QVariantList> rows;
    if (StoreError error = connection.query(sql->headStatement(), {}, rows))
        return error;
    kept = !rows.isEmpty();
    entry = rows.value(0).value(0).toLongLong();
    hash = rows.value(0).value(1).toString().toLatin1();
    return {};
}

void chainBytes(const TextRows& rows, qsizetype row, chain::EntryBytes& bytes, const QByteArray* sealed)
{
    bytes.clear();
    bytes.addNumber(rows.key(row));
    for (int field = entryfield::At; field < entryfield::Hash; ++field) {
        if (field == entryfield::Sealed && sealed)
            bytes.add(*sealed);
        else if (rows.isNull(row, field))
            bytes.addNull();
        else
            bytes.add(rows.bytes(row, field));
    }
}

StoreError sealPending(Connection& connection, qint64 firstOwn)
{
    QList<QVariantList> last;
    if (StoreError error = connection.query(LastSealed, {}, last))
        return error;
    qint64 after = last.isEmpty() ? 0 : last.first().value(0).toLongLong();
    QByteArray previous = last.isEmpty() ? chain::firstPrevious() : last.first().value(1).toString().toLatin1();
    const QByteArray lateSeal
        = (QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")) + u' ' + localWriter())
              .toUtf8();
    chain::Hasher hasher;
    chain::EntryBytes bytes;
    TextRows rows;
    for (;;) {
        if (StoreError error = readEntries(connection, after, SealingPage, rows))
            return error;
        if (rows.rowCount() == 0)
            return {};
        const qint64 first = rows.key(0);
        QByteArray hashes;
        QList<qint64> late;
        for (qsizetype row = 0; row < rows.rowCount(); ++row) {
            const qint64 entry = rows.key(row);
            // An entry taken out leaves its place in the page's text unused.
            hashes.append(QByteArray((entry - first) * 64 - hashes.size(), '-'));
            const bool sealedLate = entry < firstOwn;
            chainBytes(rows, row, bytes, sealedLate ? &lateSeal : nullptr);
            previous = hasher.seal(previous, bytes.bytes());
            if (previous.isEmpty())
                return StoreError::make(EngineFailure,
                                        Text::tr("Entry %1 of the history cannot be sealed: SHA-256 is not "
                                                 "available.")
                                            .arg(entry));
            hashes.append(previous);
            if (sealedLate)
                late << entry;
            after = entry;
        }
        if (StoreError error
            = connection.execute(SealPage, {QString::fromLatin1(hashes), first, first, rows.key(rows.rowCount() - 1)}))
            return error;
        for (const qint64 entry : std::as_const(late)) {
            if (StoreError error = connection.execute(SealLate, {QString::fromUtf8(lateSeal), entry}))
                return error;
        }
    }
}

} // namespace vantor::history
