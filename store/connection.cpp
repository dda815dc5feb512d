#include "connection.h"

#include "masktest.h"

#include <QMutex>
#include <QThread>

namespace vantor {

namespace {
// Both engines take these as they stand.
const QString Begin = QStringLiteral("BEGIN");
const QString Commit = QStringLiteral("COMMIT");
const QString Rollback = QStringLiteral("ROLLBACK");

// Connections to a server that no Connection holds, kept open for the next one that asks for the
// same records as the same user: a window opened again, a list chosen again, costs no dialling
// (a TCP and TLS handshake and the password's exchange, five round trips and more). A few are
// enough: each window holds its own while it is open.
class SessionPool
{
public:
    static constexpr std::size_t MaxIdle = 4;

    std::unique_ptr<Session> take(const QString& key)
    {
        QMutexLocker lock(&m_mutex);
        // The most recently used first; one the server closed meanwhile goes, and the next is
        // tried, or a new one dialled.
        for (std::size_t i = m_idle.size(); i-- > 0;) {
            if (m_idle[i].key != key || m_idle[i].thread != QThread::currentThread())
                continue;
            std::unique_ptr<Session> session = std::move(m_idle[i].session);
            m_idle.erase(m_idle.begin() + qsizetype(i));
            if (!session->lost())
                return session;
        }
        return nullptr;
    }
    void give(const QString& key, std::unique_ptr<Session> session)
    {
        if (!session->reusable())
            return;
        QMutexLocker lock(&m_mutex);
        m_idle.push_back(Idle{key, QThread::currentThread(), std::move(session)});
        if (m_idle.size() > MaxIdle)
            m_idle.erase(m_idle.begin());
    }

private:
    struct Idle {
        QString key;
        QThread* thread;
        std::unique_ptr<Session> session;
    };
    QMutex m_mutex;
    std::vector<Idle> m_idle;
};

SessionPool& pool()
{
    static SessionPool idle;
    return idle;
}

QString poolKey(const QString& connectionString, const QString& userName, const QString& password)
{
    return connectionString + QChar(0) + userName + QChar(0) + password;
}

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
    release();

    ConnectionString cs;
    StoreError error;
    m_engine = Engine::forConnectionString(m_connectionString, cs, error);
    if (!m_engine)
        return error;
    m_session = pool().take(poolKey(m_connectionString, userName, password));
    m_sessionKept = m_session != nullptr;
    // The windows' table is the one an engine may bring up to date as it opens.
    static const TableDefinition windowsTable = masktest::table();
    if (!m_session)
        m_session = m_engine->open(cs, userName, password, windowsTable, error);
    if (!m_session)
        return error ? error : StoreError::closed();
    m_dataSource = m_engine->describeSource(cs.dataSource());
    m_userName = userName;
    m_password = password;
    m_opened = true;
    return {};
}

void Connection::release()
{
    if (m_session && !m_inTransaction)
        pool().give(poolKey(m_connectionString, m_userName, m_password), std::move(m_session));
    m_session.reset();
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

StoreError Connection::runBatch(std::vector<Statement>& batch)
{
    if (StoreError error = reopenIfLost())
        return error;
    const bool kept = std::exchange(m_sessionKept, true);
    StoreError error = m_session->runBatch(batch);
    // Kept open between actions, a connection can break unseen: a server restarted, a network
    // that dropped it. A new one does what the broken one never began.
    if (error && kept && !m_inTransaction && m_session->brokeUnanswered()) {
        const QString userName = m_userName;
        const QString password = m_password;
        if (!open(m_connectionString, userName, password)) {
            m_sessionKept = true;
            error = m_session->runBatch(batch);
        }
    }
    return error;
}

StoreError Connection::run(const QString& sql, const QVariantList& parameters, Columns columns, const RowHandler& onRow,
                           qint64* rowsAffected)
{
    std::vector<Statement> batch{Statement{sql, parameters, columns, onRow, nullptr, rowsAffected}};
    return runBatch(batch);
}

Statement Connection::valueStatement(const QString& sql, const QVariantList& parameters, QVariant& value) const
{
    value.clear();
    if (!m_engine)
        return {};
    return {masktest::translate(*m_engine, sql), parameters, Columns::Any,
            [&value, first = true](const ResultRow& row) mutable {
                if (std::exchange(first, false) && !row.isNull(0))
                    value = QString::fromUtf8(row.text(0));
            }};
}

StoreError Connection::readValue(const QString& sql, const QVariantList& parameters, QVariant& value)
{
    if (!m_engine)
        return StoreError::closed();
    std::vector<Statement> batch{valueStatement(sql, parameters, value)};
    return runBatch(batch);
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

Statement Connection::textRowsStatement(const QString& sql, const QVariantList& parameters, Columns columns,
                                        TextRows& rows) const
{
    return {sql, parameters, columns, [&rows](const ResultRow& row) {
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
            }};
}

StoreError Connection::readTextRows(const QString& sql, const QVariantList& parameters, Columns columns, TextRows& rows)
{
    std::vector<Statement> batch{textRowsStatement(sql, parameters, columns, rows)};
    return runBatch(batch);
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
    if (!m_engine)
        return StoreError::closed();
    std::vector<Statement> batch{m_engine->columnsStatement(table, columns)};
    return runBatch(batch);
}

void Connection::close()
{
    m_opened = false;
    release();
}

bool Connection::isOpen() const
{
    return m_opened && m_engine;
}

} // namespace vantor
