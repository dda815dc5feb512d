// The writes of a record set: AddNew, field values, Update, CancelUpdate and Delete.
#include "recordset.h"

#include "history.h"
#include "recordsetdetail.h"

#include <algorithm>

namespace vantor {

using namespace recordsetdetail;

namespace {

StoreError keyNotReadBack()
{
    return StoreError::make(EngineFailure, QStringLiteral("The new record was stored, but its key could not be read."));
}

StoreError conflictError()
{
    return StoreError::make(RowConflict,
                            QStringLiteral("Row cannot be located for updating. Some values may have been "
                                           "changed since it was last read."));
}

// A value as the set reads it back: text, or an invalid QVariant for a null.
QVariant textOf(const QVariant& value)
{
    return value.isValid() ? QVariant(value.toString()) : QVariant();
}

} // namespace

StoreError RecordSet::addNew()
{
    if (!m_open)
        return StoreError::closed();
    cancelUpdate();
    m_positionBeforeAdd = m_position;
    m_adding = true;
    m_buffer = QList<QVariant>(m_fieldNames.size());
    m_dirty.clear();
    return {};
}

StoreError RecordSet::setValue(const QString& name, const QVariant& value)
{
    const int index = fieldIndex(name);
    if (index < 0 && m_open)
        return fieldNotFound(name);
    return setValue(index, value);
}

StoreError RecordSet::setValue(int index, const QVariant& value)
{
    if (StoreError e = checkCurrent())
        return e;
    if (index < 0 || index >= m_fieldNames.size())
        return fieldNotFound(index);
    if (StoreError refused = m_connection->engine()->acceptValue(m_fieldNames.at(index), storable(value)))
        return refused;
    if (!m_adding && m_dirty.isEmpty()) {
        StoreError error;
        const Row* row = rowAt(m_position, &error);
        if (!row)
            return error;
        m_buffer = row->values;
    }
    m_buffer[index] = storable(value);
    m_dirty.insert(index);
    return {};
}

void RecordSet::cancelUpdate()
{
    if (m_adding)
        m_position = m_positionBeforeAdd;
    m_adding = false;
    m_dirty.clear();
    m_buffer.clear();
}

StoreError RecordSet::update()
{
    if (!m_open)
        return StoreError::closed();
    if (m_adding)
        return insertPending();
    if (StoreError e = checkCurrent())
        return e;
    if (m_dirty.isEmpty())
        return {};
    return updateCurrent();
}

StoreError RecordSet::insertPending()
{
    const Engine* engine = m_connection->engine();
    QList<int> columns(m_dirty.cbegin(), m_dirty.cend());
    std::sort(columns.begin(), columns.end());
    QString sql = QStringLiteral("INSERT INTO ") + engine->quoteIdentifier(m_table);
    if (columns.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList names, marks;
        for (int c : columns) {
            names << engine->quoteIdentifier(m_fieldNames.at(c));
            marks << QStringLiteral("?");
        }
        sql += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
            + marks.join(QStringLiteral(", ")) + u')';
    }
    QList<QVariant> values;
    for (int c : columns)
        values << m_buffer.at(c);
    // The new row's key comes back from the statement itself: a connection-wide "last key"
    // could belong to another statement. Every row of it is read, so a failed commit is seen.
    qint64 key = 0;
    bool read = false;
    // The history's entry is written with the row, or neither is.
    if (StoreError error = history::recordStatement(*m_connection, [&] {
            read = false;
            return m_connection->run(sql + QStringLiteral(" RETURNING ") + engine->rowKeyColumn(), values,
                                     Columns::KeysAndTexts, [&key, &read](const ResultRow& row) {
                                         key = row.number(0);
                                         read = true;
                                     });
        }))
        return error;
    if (!read)
        return keyNotReadBack();

    // A key is handed out only when no row has it, yet the set may still hold it for a row
    // someone else removed since it was read: that row is gone for good, and the key now
    // names the new record alone.
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i] == key)
            m_deleted.insert(qsizetype(i));
    }
    // The new record joins the set at its end and becomes the current record, as it was
    // written: the fields left unset hold the table's default, a null. A cached last page was
    // sized before the record existed: read it afresh when it is next needed, from the table,
    // as every page after a write.
    m_rowsRead.reset();
    m_keys.push_back(key);
    m_position = qsizetype(m_keys.size()) - 1;
    m_pages.remove(m_position / PageSize);
    QList<QVariant> written(m_fieldNames.size());
    for (int c : columns)
        written[c] = textOf(m_buffer.at(c));
    rememberWritten(m_position, written);
    m_adding = false;
    m_dirty.clear();
    m_buffer.clear();
    return {};
}

QString RecordSet::lockCondition() const
{
    const Engine* engine = m_connection->engine();
    QString where = engine->rowKeyColumn() + QStringLiteral(" = ?");
    for (const QString& name : m_fieldNames)
        where += QStringLiteral(" AND ") + engine->nullSafeEquals(engine->quoteIdentifier(name));
    return where;
}

// The current row as it was read: what an optimistic write expects to find unchanged.
StoreError RecordSet::currentAsRead(QList<QVariant>& original) const
{
    StoreError error;
    const Row* row = rowAt(m_position, &error);
    if (!row)
        return error;
    if (row->missing)
        return conflictError();
    original = row->values;
    return {};
}

// Runs an UPDATE or DELETE (`statement`, bound with `values`) on the current row only, and
// only if the row still holds `original`; the reads `after` follow it once it is stored.
StoreError RecordSet::writeCurrentRow(const QString& statement, const QList<QVariant>& values,
                                      const QList<QVariant>& original, std::vector<Statement> after)
{
    QList<QVariant> bound = values;
    bound << m_keys[std::size_t(m_position)];
    bound << original;
    qint64 changed = 0;
    std::vector<Statement> batch{
        Statement{statement + QStringLiteral(" WHERE ") + lockCondition(), bound, Columns::Any, {}, nullptr, &changed}};
    std::move(after.begin(), after.end(), std::back_inserter(batch));
    // The history's entry is written with the change, or neither is.
    if (StoreError error = history::recordStatement(*m_connection, [&] { return m_connection->runBatch(batch); }))
        return error;
    if (changed != 1)
        return conflictError();
    return {};
}

qsizetype RecordSet::pageAfterDelete() const
{
    if (m_rowsRead)
        return -1;
    qsizetype next = m_position + 1;
    while (next < qsizetype(m_keys.size()) && isDeleted(next))
        ++next;
    if (next >= qsizetype(m_keys.size())) {
        next = m_position - 1;
        while (next >= 0 && isDeleted(next))
            --next;
    }
    if (next < 0 || m_written.contains(next) || m_pages.contains(next / PageSize))
        return -1;
    return next / PageSize;
}

StoreError RecordSet::updateCurrent()
{
    QList<QVariant> original;
    if (StoreError error = currentAsRead(original))
        return error;

    const Engine* engine = m_connection->engine();
    QList<int> columns(m_dirty.cbegin(), m_dirty.cend());
    std::sort(columns.begin(), columns.end());
    QStringList sets;
    QList<QVariant> changed;
    for (int c : columns) {
        sets << engine->quoteIdentifier(m_fieldNames.at(c)) + QStringLiteral(" = ?");
        changed << m_buffer.at(c);
    }
    if (StoreError error = writeCurrentRow(QStringLiteral("UPDATE ") + engine->quoteIdentifier(m_table)
                                               + QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")),
                                           changed, original))
        return error;

    QList<QVariant> values = original;
    for (int c : columns)
        values[c] = textOf(m_buffer.at(c));
    rememberWritten(m_position, values);
    m_rowsRead.reset();
    m_dirty.clear();
    m_buffer.clear();
    return {};
}

StoreError RecordSet::deleteCurrent()
{
    if (!m_open)
        return StoreError::closed();
    cancelUpdate();
    if (StoreError e = checkCurrent())
        return e;
    QList<QVariant> original;
    if (StoreError error = currentAsRead(original))
        return error;
    // The record shown after a deletion is the one that follows: its page comes with the
    // deletion (on a server, in the round trip that commits it) where it is not read yet.
    const qsizetype ahead = pageAfterDelete();
    QHash<qint64, QList<QVariant>> byKey;
    std::vector<Statement> after;
    if (ahead >= 0) {
        after.push_back(pageStatement(ahead, 1, byKey));
        after.back().optional = true;
    }
    const StoreError error
        = writeCurrentRow(QStringLiteral("DELETE FROM ") + m_connection->engine()->quoteIdentifier(m_table), {},
                          original, std::move(after));
    if (error)
        return error;
    if (ahead >= 0 && !byKey.isEmpty())
        keepPages(ahead, 1, byKey);
    // The position stays on the deleted row until the next move.
    m_deleted.insert(m_position);
    return {};
}

} // namespace vantor
