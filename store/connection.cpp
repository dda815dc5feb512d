#include "connection.h"

namespace vantor {

namespace {
// Both engines take these as they stand.
const QString Begin = QStringLiteral("BEGIN");
const QString Commit = QStringLiteral("COMMIT");
const QString Rollback = QStringLiteral("ROLLBACK");
} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

StoreError Connection::open(const QString& connectionString, const QString& userName, const QString& password)
{
    if (!connectionString.isEmpty())
        m_connectionString = connectionString;
    m_session.reset();

    ConnectionString cs;
    StoreError error;
    m_engine = Engine::forConnectionString(m_connectionString, cs, error);
    if (!m_engine)
        return error;
    m_session = m_engine->open(cs, userName, password, error);
    if (!m_session)
        return error ? error : StoreError::closed();
    m_dataSource = m_engine->describeSource(cs.dataSource());
    m_userName = userName;
    m_password = password;
    m_opened = true;
    return {};
}

StoreError Connection::closedOrLost() const
{
    if (!m_opened || !m_engine)
        return StoreError::closed();
    return StoreError::make(ServerUnavailable,
                            QStringLiteral("%1: The connection was lost during a transaction; nothing of it was "
                                           "stored.")
                                .arg(m_dataSource));
}

StoreError Connection::reopenIfLost()
{
    if (!m_opened || !m_engine)
        return StoreError::closed();
    // A connection that could not be opened again last time is tried again now.
    if (m_session && !m_session->lost())
        return {};
    // What a lost transaction had done is gone with it; a new connection would carry on
    // with its later statements alone.
    if (m_inTransaction)
        return closedOrLost();
    const QString userName = m_userName;
    const QString password = m_password;
    return open(m_connectionString, userName, password);
}

StoreError Connection::run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                           qint64* rowsAffected)
{
    if (StoreError error = reopenIfLost())
        return error;
    return m_session->run(sql, parameters, columns, onRow, rowsAffected);
}

StoreError Connection::readKeys(const QString& sql, const QVariantList& parameters, std::vector<qint64>& keys)
{
    if (StoreError error = reopenIfLost())
        return error;
    return m_session->readKeys(sql, parameters, keys);
}

StoreError Connection::readValue(const QString& sql, const QVariantList& parameters, QVariant& value)
{
    value.clear();
    if (!m_engine)
        return StoreError::closed();
    bool first = true;
    return run(m_engine->translate(sql), parameters, Columns::Any, [&](const ResultRow& row) {
        if (std::exchange(first, false) && !row.isNull(0))
            value = QString::fromUtf8(row.text(0));
    });
}

StoreError Connection::execute(const QString& sql, const QVariantList& parameters, qint64* rowsAffected)
{
    return run(sql, parameters, Columns::Any, {}, rowsAffected);
}

StoreError Connection::query(const QString& sql, const QVariantList& parameters, QList<QVariantList>& rows)
{
    return run(sql, parameters, Columns::Any, [&rows](const ResultRow& row) {
        QVariantList values;
        values.reserve(row.columnCount());
        for (int c = 0; c < row.columnCount(); ++c) {
            if (row.isNull(c))
                values << QVariant();
            else if (row.isBytes(c))
                values << QVariant(row.bytes(c));
            else
                values << QVariant(QString::fromUtf8(row.text(c)));
        }
        rows << values;
    });
}

StoreError Connection::readTextRows(const QString& sql, const QVariantList& parameters, Columns columns, TextRows& rows)
{
    return run(sql, parameters, columns, [&rows](const ResultRow& row) {
        rows.addKey(row.number(0));
        for (int f = 1; f <= rows.valueCount(); ++f) {
            if (row.isNull(f)) {
                rows.addNull();
            } else {
                // Kept as the records hold it, UTF-8, until someone reads the value.
                const QByteArrayView text = row.text(f);
                rows.addText(text.data(), text.size());
            }
        }
    });
}

StoreError Connection::transaction(const std::function<StoreError()>& work)
{
    if (m_inTransaction)
        return StoreError::make(CommandFailed, QStringLiteral("A transaction is already under way."));
    if (StoreError error = execute(Begin))
        return error;
    m_inTransaction = true;
    StoreError error = work();
    if (!error)
        error = execute(Commit);
    // After a failed commit the file still holds its transaction open; the server has ended it.
    if (error)
        execute(Rollback);
    m_inTransaction = false;
    return error;
}

StoreError Connection::tableColumns(const QString& table, QStringList& columns)
{
    columns.clear();
    if (StoreError error = reopenIfLost())
        return error;
    return m_engine->tableColumns(*m_session, table, columns);
}

void Connection::close()
{
    m_opened = false;
    m_session.reset();
}

bool Connection::isOpen() const
{
    return m_opened && m_engine;
}

} // namespace vantor
