#include "copyhistory.h"

#include "history.h"
#include "historydialect.h"
#include "historyentries.h"

#include <QDateTime>

namespace vantor::history {

namespace {

const QString CountEntries = QStringLiteral(R"(SELECT count(*) FROM "History")");
// A server's identity column takes a key given only when told so; a file's rowid takes it as it is.
const QString FollowKeys
    = QStringLiteral("SELECT setval(pg_get_serial_sequence(?, 'row_key'), greatest(max(row_key), "
                     "coalesce(pg_sequence_last_value(pg_get_serial_sequence(?, 'row_key')::regclass), 0))) FROM %1 "
                     "HAVING max(row_key) IS NOT NULL");

constexpr int Page = 10000;
constexpr int RowsPerInsert = 200;

StoreError countEntries(Connection& connection, qint64& count)
{
    QList<QVariantList> rows;
    StoreError error = connection.query(CountEntries, {}, rows);
    count = rows.value(0).value(0).toLongLong();
    return error;
}

QVariant valueOf(const TextRows& rows, qsizetype row, int field)
{
    if (rows.isNull(row, field))
        return QVariant(QMetaType::fromType<QString>());
    return QVariant(QString::fromUtf8(rows.bytes(row, field)));
}

// Carries the entries page by page, in the order of their numbers, `RowsPerInsert` to a statement.
class EntryCopy
{
public:
    EntryCopy(Connection& to)
        : m_to(to)
        , m_lateSeal((QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")) + u' '
                      + localWriter())
                         .toUtf8())
    {
    }

    StoreError add(const TextRows& rows, qsizetype row)
    {
        using namespace entryfield;
        QByteArray hash = rows.bytes(row, Hash).toByteArray();
        const bool sealedHere = rows.isNull(row, Hash);
        if (sealedHere) {
            chainBytes(rows, row, m_bytes, &m_lateSeal);
            hash = m_hasher.seal(m_previous, m_bytes.bytes());
        }
        m_values << rows.key(row);
        for (int field = At; field < Hash; ++field) {
            if (field == Sealed && sealedHere)
                m_values << QString::fromUtf8(m_lateSeal);
            else if (field == RecordKey || field == Member)
                m_values << (rows.isNull(row, field) ? QVariant(QMetaType::fromType<qlonglong>())
                                                     : QVariant(rows.bytes(row, field).toByteArray().toLongLong()));
            else
                m_values << valueOf(rows, row, field);
        }
        m_values << QString::fromLatin1(hash);
        m_previous = hash;
        m_last = rows.key(row);
        ++m_pending;
        ++m_copied;
        return m_pending == RowsPerInsert ? flush() : StoreError();
    }

    StoreError flush()
    {
        if (m_pending == 0)
            return {};
        const StoreError error
            = m_to.execute(insertWithKeys(*m_to.engine(), TableName, columns(), m_pending), m_values);
        m_values.clear();
        m_pending = 0;
        return error;
    }

    qint64 copied() const { return m_copied; }
    qint64 last() const { return m_last; }
    const QByteArray& lastHash() const { return m_previous; }

private:
    Connection& m_to;
    QByteArray m_lateSeal;
    chain::Hasher m_hasher;
    chain::EntryBytes m_bytes;
    QByteArray m_previous = chain::firstPrevious();
    QVariantList m_values;
    int m_pending = 0;
    qint64 m_copied = 0;
    qint64 m_last = 0;
};

} // namespace

QString insertWithKeys(const Engine& engine, const QString& table, const QStringList& columns, int rows)
{
    QStringList names{engine.isServer() ? QStringLiteral("row_key") : QStringLiteral("rowid")};
    for (const QString& column : columns)
        names << dialect::quoted(column);
    const QString marks = u'(' + QStringList(names.size(), QStringLiteral("?")).join(u',') + u')';
    return QStringLiteral("INSERT INTO %1 (%2)%3 VALUES %4")
        .arg(dialect::quoted(table), names.join(QStringLiteral(", ")),
             engine.isServer() ? QStringLiteral(" OVERRIDING SYSTEM VALUE") : QString(),
             QStringList(rows, marks).join(QStringLiteral(", ")));
}

StoreError followKeys(Connection& connection, const QString& table)
{
    if (!connection.engine()->isServer())
        return {};
    const QString name = dialect::quoted(table);
    return connection.execute(FollowKeys.arg(name), {name, name});
}

StoreError requireEmptyHistory(Connection& to)
{
    bool kept = false;
    qint64 entries = 0;
    if (StoreError error = isKept(to, kept); error || !kept)
        return error;
    if (StoreError error = countEntries(to, entries))
        return error;
    if (entries == 0)
        return {};
    return StoreError::make(FileExists,
                            Text::tr("The history of %1 already holds %2 entries; records are copied only into records "
                                     "without a history of their own, and these are left as they are.")
                                .arg(to.dataSource())
                                .arg(entries));
}

StoreError copyHistory(Connection& from, Connection& to, const QString& sourceName)
{
    bool kept = false;
    if (StoreError error = isKept(from, kept))
        return error;
    if (!kept) {
        if (StoreError error = beginWriting(to))
            return error;
        return startHistory(
            to, action::Start,
            Text::tr("the history starts here: the record as it was copied from %1, which kept none").arg(sourceName));
    }
    EntryCopy copy(to);
    TextRows rows;
    qint64 after = 0;
    do {
        if (StoreError error = readEntries(from, after, Page, rows))
            return error;
        for (qsizetype row = 0; row < rows.rowCount(); ++row) {
            if (StoreError error = copy.add(rows, row))
                return error;
        }
        if (rows.rowCount() > 0)
            after = rows.key(rows.rowCount() - 1);
    } while (rows.rowCount() == Page);
    if (StoreError error = copy.flush())
        return error;
    qint64 source = 0, target = 0;
    if (StoreError error = countEntries(from, source))
        return error;
    if (StoreError error = countEntries(to, target))
        return error;
    if (source != copy.copied() || target != copy.copied())
        return StoreError::make(EngineFailure,
                                Text::tr("The history changed while it was copied (%1 entries read): nothing was "
                                         "copied. Copy the records again when no one is working on them.")
                                    .arg(copy.copied()));
    const dialect::Dialect* sql = dialect::of(*to.engine());
    if (!sql || sql->programSeals() || copy.copied() == 0)
        return {};
    // The server's next entry follows the last one copied.
    return to.execute(sql->headUpdate(), {copy.last(), QString::fromLatin1(copy.lastHash())});
}

} // namespace vantor::history
