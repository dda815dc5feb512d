#include "historycheck.h"

#include <history.h>
#include <historyentries.h>

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantor::history {

namespace {

constexpr int Page = 20000;
constexpr int KeptPerKind = 200;

// What the history says of a record so far: its latest entry and the record as it left it.
struct Latest {
    qint64 entry = 0;
    QByteArray after; // empty and `deleted` once an entry deleted it
    bool deleted = false;
};
using Records = QHash<qint64, Latest>;

// Two texts of one record: the same bytes, or, written by the other engine (a copy between a
// file and a server), the same fields and values.
bool sameRecord(QByteArrayView a, QByteArrayView b)
{
    if (a == b)
        return true;
    QJsonParseError errorA{}, errorB{};
    const QJsonDocument first = QJsonDocument::fromJson(a.toByteArray(), &errorA);
    const QJsonDocument second = QJsonDocument::fromJson(b.toByteArray(), &errorB);
    return errorA.error == QJsonParseError::NoError && errorB.error == QJsonParseError::NoError && first.isObject()
        && first.object() == second.object();
}

class Checker
{
public:
    Checker(Connection& connection, Verification& result)
        : m_connection(connection)
        , m_result(result)
    {
        m_records.resize(audited().size());
        for (const Audited& table : audited())
            m_tableNames << table.table.toUtf8();
    }

    StoreError run()
    {
        if (StoreError error = walkEntries())
            return error;
        if (StoreError error = checkHead())
            return error;
        for (qsizetype table = 0; table < audited().size(); ++table) {
            if (StoreError error = checkRecords(table))
                return error;
        }
        return {};
    }

private:
    StoreError walkEntries()
    {
        TextRows rows;
        qint64 after = 0;
        do {
            if (StoreError error = readEntries(m_connection, after, Page, rows))
                return error;
            for (qsizetype row = 0; row < rows.rowCount(); ++row)
                checkEntry(rows, row);
            if (rows.rowCount() > 0)
                after = rows.key(rows.rowCount() - 1);
        } while (rows.rowCount() == Page);
        // Unsealed entries at the end are changes made outside Vantor since it last wrote.
        for (const auto& [entry, writer] : std::as_const(m_unsealed))
            outside(entry, writer, Finding::Kind::OutsideUnsealed, {});
        return {};
    }

    void checkEntry(const TextRows& rows, qsizetype row)
    {
        using namespace entryfield;
        const qint64 entry = rows.key(row);
        ++m_result.entries;
        const bool gap = entry != m_last + 1;
        if (gap)
            m_result.add({Finding::Kind::Missing, m_last + 1, entry - 1});
        chainBytes(rows, row, m_bytes);
        const QByteArray expected = m_hasher.seal(m_previous, m_bytes.bytes());
        // Read only where an entry is reported: a whole chain is millions of them.
        const auto writer = [&rows, row] {
            return rows.isNull(row, Who) ? QString() : QString::fromUtf8(rows.bytes(row, Who));
        };
        if (rows.isNull(row, Hash)) {
            // Sealed with the next change Vantor makes; the next one sealed chains onto it.
            m_unsealed.emplace_back(entry, writer());
            m_previous = expected;
        } else {
            // Entries are sealed in order: one without a seal before a sealed one lost its own.
            for (const auto& unsealed : std::as_const(m_unsealed))
                m_result.add({Finding::Kind::SealRemoved, unsealed.first});
            m_unsealed.clear();
            const QByteArrayView stored = rows.bytes(row, Hash);
            // After a gap the entry was chained onto one that is gone: the gap is the finding.
            if (!gap && stored != expected)
                m_result.add({Finding::Kind::Edited, entry});
            m_previous.resize(0);
            m_previous.append(stored);
            if (!rows.isNull(row, Sealed))
                outside(entry, writer(), Finding::Kind::OutsideSealed, QString::fromUtf8(rows.bytes(row, Sealed)));
        }
        followRecord(rows, row, entry);
        m_last = entry;
    }

    // A change made outside Vantor is recorded by the triggers without a writer: one that names
    // a writer named it itself.
    void outside(qint64 entry, const QString& writer, Finding::Kind kind, const QString& sealed)
    {
        if (!writer.isEmpty())
            m_result.add({Finding::Kind::NamedOutside, entry, 0, {}, 0, {}, writer});
        else
            m_result.add({kind, entry, 0, {}, 0, {}, sealed});
    }

    void followRecord(const TextRows& rows, qsizetype row, qint64 entry)
    {
        using namespace entryfield;
        const QByteArrayView table = rows.bytes(row, Record);
        const qint64 key = rows.bytes(row, RecordKey).toLongLong();
        const auto fdid = [&rows, row] {
            return QString::fromUtf8(rows.bytes(row, Fdid));
        };
        qsizetype index = 0;
        while (index < m_tableNames.size() && table != m_tableNames.at(index))
            ++index;
        if (index == m_tableNames.size()) {
            m_result.add({Finding::Kind::UnknownRecord, entry, 0, QString::fromUtf8(table), key, fdid()});
            return;
        }
        const QByteArrayView action = rows.bytes(row, Action);
        const bool begins = action == "add" || action == "start" || action == "convert";
        Latest& latest = m_records[index][key];
        const bool known = latest.entry != 0 && !latest.deleted;
        // A change must find the record as the entry before it left it; a new record none.
        if (begins ? known : !known || !sameRecord(rows.bytes(row, Before), latest.after))
            m_result.add({Finding::Kind::ChangedBetween, entry, 0, audited().at(index).table, key, fdid(),
                          latest.entry ? QString::number(latest.entry) : QString()});
        latest.entry = entry;
        latest.deleted = action == "delete";
        // Into the record's own buffer, which its next entry's text mostly fits.
        latest.after.resize(0);
        if (!latest.deleted)
            latest.after.append(rows.bytes(row, After));
    }

    StoreError checkHead()
    {
        bool kept = false;
        qint64 entry = 0;
        QByteArray hash;
        if (StoreError error = readHead(m_connection, kept, entry, hash))
            return error;
        // Entries cut from the end leave the chain whole, but not the database's count of them.
        if (kept && (entry != m_last || (!hash.isEmpty() && m_last > 0 && hash != m_previous)))
            m_result.add({Finding::Kind::HeadDiffers, m_last + 1, entry});
        return {};
    }

    StoreError checkRecords(qsizetype index)
    {
        const Audited& table = audited().at(index);
        Records& records = m_records[index];
        TextRows rows;
        qint64 after = 0;
        do {
            if (StoreError error = readCurrentRows(m_connection, table, after, Page, rows))
                return error;
            for (qsizetype row = 0; row < rows.rowCount(); ++row) {
                ++m_result.records;
                const qint64 key = rows.key(row);
                const QString fdid = QString::fromUtf8(rows.bytes(row, 0));
                const auto found = records.find(key);
                if (found == records.end()) {
                    m_result.add({Finding::Kind::RecordUnrecorded, 0, 0, table.table, key, fdid});
                    continue;
                }
                if (found->deleted)
                    m_result.add({Finding::Kind::RecordBack, found->entry, 0, table.table, key, fdid});
                else if (!sameRecord(rows.bytes(row, 1), found->after))
                    m_result.add({Finding::Kind::RecordDiffers, found->entry, 0, table.table, key, fdid});
                records.erase(found);
            }
            if (rows.rowCount() > 0)
                after = rows.key(rows.rowCount() - 1);
        } while (rows.rowCount() == Page);
        for (auto it = records.cbegin(); it != records.cend(); ++it) {
            if (!it->deleted)
                m_result.add({Finding::Kind::RecordMissing, it->entry, 0, table.table, it.key(), fdidOf(it->after)});
        }
        records.clear();
        return {};
    }

    static QString fdidOf(const QByteArray& after)
    {
        const QJsonObject record = QJsonDocument::fromJson(after).object();
        return record.value(QStringLiteral("ID")).toString(record.value(QStringLiteral("MemberID")).toString());
    }

    Connection& m_connection;
    Verification& m_result;
    chain::Hasher m_hasher;
    chain::EntryBytes m_bytes;
    QByteArray m_previous = chain::firstPrevious();
    qint64 m_last = 0;
    std::vector<std::pair<qint64, QString>> m_unsealed; // with their writers
    QList<Records> m_records;
    QByteArrayList m_tableNames; // as the entries name them
};

} // namespace

bool Verification::isWhole() const
{
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (Finding{it.key()}.isFailure() && it.value() > 0)
            return false;
    }
    return true;
}

void Verification::add(Finding finding)
{
    if (++counts[finding.kind] <= KeptPerKind)
        findings << std::move(finding);
}

StoreError verifyHistory(Connection& connection, Verification& result)
{
    result = Verification{};
    return Checker(connection, result).run();
}

} // namespace vantor::history
