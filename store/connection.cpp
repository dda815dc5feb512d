#include "connection.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

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
    // What a lost transaction had done is gone with it; a new connection would carry on
    // with its later statements alone.
    if (m_inTransaction)
        return m_engine->mapError(QSqlError(QString(), QStringLiteral("The connection was lost during a transaction."),
                                            QSqlError::ConnectionError),
                                  m_dataSource);
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

namespace {
// Runs `sql` with `parameters` on `query`. A statement without values runs as it stands: a
// server prepares no statement but a query, and a table or trigger is made by one as well.
bool runStatement(QSqlQuery& query, const QString& sql, const QVariantList& parameters)
{
    query.setForwardOnly(true);
    if (parameters.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (const QVariant& v : parameters)
        query.addBindValue(v);
    return query.exec();
}
} // namespace

StoreError Connection::execute(const QString& sql, const QVariantList& parameters, qint64* rowsAffected)
{
    if (StoreError error = reopenIfLost())
        return error;
    QSqlQuery query(database());
    if (!runStatement(query, sql, parameters))
        return m_engine->mapError(query.lastError(), m_dataSource);
    if (rowsAffected)
        *rowsAffected = query.numRowsAffected();
    return {};
}

StoreError Connection::query(const QString& sql, const QVariantList& parameters, QList<QVariantList>& rows)
{
    if (StoreError error = reopenIfLost())
        return error;
    QSqlQuery query(database());
    if (!runStatement(query, sql, parameters))
        return m_engine->mapError(query.lastError(), m_dataSource);
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const QVariant v = query.value(c);
            if (v.isNull())
                row << QVariant();
            else if (v.typeId() == QMetaType::QByteArray)
                row << v;
            else
                row << QVariant(v.toString());
        }
        rows << row;
    }
    return {};
}

StoreError Connection::transaction(const std::function<StoreError()>& work)
{
    if (m_inTransaction)
        return StoreError::make(CommandFailed, QStringLiteral("A transaction is already under way."));
    if (StoreError error = reopenIfLost())
        return error;
    QSqlDatabase db = database();
    if (!db.transaction())
        return m_engine->mapError(db.lastError(), m_dataSource);
    m_inTransaction = true;
    StoreError error = work();
    if (!error && !db.commit())
        error = m_engine->mapError(db.lastError(), m_dataSource);
    if (error)
        db.rollback();
    m_inTransaction = false;
    return error;
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
