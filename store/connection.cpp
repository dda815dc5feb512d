#include "connection.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>

namespace vantor {

namespace {
QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("vantor-%1").arg(counter.fetchAndAddRelaxed(1));
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
    StoreError refused;
    m_engine = Engine::forConnectionString(m_connectionString, cs, refused);
    if (!m_engine)
        return refused;

    m_connectionName = nextConnectionName();
    StoreError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_engine->qtDriver(), m_connectionName);
        if (!db.isValid()) {
            error = StoreError::make(
                ProviderNotFound, QStringLiteral("The database driver %1 is not installed.").arg(m_engine->qtDriver()));
        } else {
            if (!userName.isEmpty())
                db.setUserName(userName);
            if (!password.isEmpty())
                db.setPassword(password);
            error = m_engine->open(db, cs);
        }
    }
    if (error) {
        QSqlDatabase::removeDatabase(m_connectionName);
        m_connectionName.clear();
        return error;
    }
    m_dataSource = m_engine->describeSource(cs.dataSource());
    m_userName = userName;
    m_password = password;
    m_opened = true;
    return {};
}

StoreError Connection::reopenIfLost()
{
    if (!m_opened || !m_engine)
        return StoreError::closed();
    // A connection that could not be opened again last time is tried again now.
    if (!m_connectionName.isEmpty() && !m_engine->connectionLost(database()))
        return {};
    const QString userName = m_userName;
    const QString password = m_password;
    return open(m_connectionString, userName, password);
}

StoreError Connection::readValue(const QString& sql, const QVariantList& parameters, QVariant& value)
{
    value.clear();
    if (StoreError error = reopenIfLost())
        return error;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(m_engine->translate(sql)))
        return m_engine->mapError(query.lastError(), sql);
    for (const QVariant& v : parameters)
        query.addBindValue(v);
    if (!query.exec())
        return m_engine->mapError(query.lastError(), sql);
    if (query.next())
        value = query.value(0);
    return {};
}

void Connection::close()
{
    m_opened = false;
    release();
}

void Connection::release()
{
    if (m_connectionName.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

bool Connection::isOpen() const
{
    return !m_connectionName.isEmpty() && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

} // namespace vantor
