#include "testdatabase.h"

#include <masktest.h>
#include <postgresengine.h>
#include <serverlocation.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <libpq-fe.h>

namespace vantor::test {

namespace {

std::unique_ptr<TestServer> readServer(const QString& infoFile)
{
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto server = std::make_unique<TestServer>();
    server->infoFile = infoFile;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(u"PGSOCKET="))
            server->socket = text.mid(9);
        else if (text.startsWith(u"PGPORT="))
            server->port = text.mid(7);
    }
    return server;
}

bool runScript(const QString& action, const QString& infoFile)
{
    const auto [status, output]
        = run({QStringLiteral("bash"), qEnvironmentVariable("VANTOR_TEST_PGSCRIPT"), action, infoFile});
    if (status != 0)
        qWarning("pgserver.sh %s: %s", qPrintable(action), qPrintable(output));
    return status == 0;
}

} // namespace

bool onServer()
{
    return qEnvironmentVariable("VANTOR_TEST_ENGINE") == u"postgresql";
}

const TestServer& testServer()
{
    static const std::unique_ptr<TestServer> server = readServer(qEnvironmentVariable("VANTOR_TEST_PGINFO"));
    if (!server)
        qFatal("The test suite's PostgreSQL server is not running: no info file in VANTOR_TEST_PGINFO");
    return *server;
}

QString TestServer::uri(const QString& database, const QString& user) const
{
    if (user.isEmpty())
        return QStringLiteral("postgresql://vantor_admin@/%1?host=%2&port=%3").arg(database, socket, port);
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user, port, database);
}

bool TestServer::execute(const QString& sql, const QString& database) const
{
    return RawConnection(uri(database)).query(sql).isActive();
}

QString TestServer::newDatabase() const
{
    static int counter = 0;
    const QString name = QStringLiteral("t%1_%2_%3")
                             .arg(QCoreApplication::applicationPid())
                             .arg(++counter)
                             .arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
    return execute(QStringLiteral("CREATE DATABASE ") + name) ? name : QString();
}

bool TestServer::createRole(const QString& role, const QString& password) const
{
    RawConnection raw(uri(QStringLiteral("postgres")));
    const QVariant handle = raw.database().driver()->handle();
    PGconn* conn
        = qstrcmp(handle.typeName(), "pg_conn*") == 0 ? *static_cast<PGconn* const*>(handle.constData()) : nullptr;
    char* verifier = conn
        ? PQencryptPasswordConn(conn, password.toUtf8().constData(), role.toUtf8().constData(), "scram-sha-256")
        : nullptr;
    if (!verifier)
        return false;
    const QString sql = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(role, QString::fromLatin1(verifier));
    PQfreemem(verifier);
    return raw.query(sql).isActive();
}

bool TestServer::control(const QString& action) const
{
    return runScript(action, infoFile);
}

std::unique_ptr<TestServer> TestServer::startPrivate(const QString& directory)
{
    const QString info = QDir(directory).filePath(QStringLiteral("pgserver.info"));
    if (!runScript(QStringLiteral("start"), info))
        return nullptr;
    std::unique_ptr<TestServer> server = readServer(info);
    if (server)
        server->m_private = true;
    return server;
}

TestServer::~TestServer()
{
    if (m_private)
        runScript(QStringLiteral("stop"), infoFile);
}

RawConnection::RawConnection(const QString& path)
{
    const bool server = server::isServerUri(path);
    QSqlDatabase db = QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), m_name);
    if (server)
        db.setConnectOptions(conninfoOptions(path));
    else
        db.setDatabaseName(path);
    if (!db.open())
        qWarning("%s", qPrintable(db.lastError().text()));
}

RawConnection::~RawConnection()
{
    QSqlDatabase::removeDatabase(m_name);
}

QSqlQuery RawConnection::query(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q(database());
    // The server prepares only what can be prepared: no CREATE DATABASE, no DDL.
    bool done = false;
    if (values.isEmpty()) {
        done = q.exec(sql);
    } else {
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        done = q.exec();
    }
    if (!done)
        qWarning("%s", qPrintable(q.lastError().text()));
    return q;
}

Row row(const QMap<QString, QVariant>& values)
{
    Row r;
    for (const QString& name : masktest::fieldNames())
        r << values.value(name);
    return r;
}

QString createDatabase(const QString& directory, const QList<Row>& rows, const QString& fileName)
{
    const QString path = onServer() ? testServer().uri(testServer().newDatabase()) : QDir(directory).filePath(fileName);
    if (const StoreError error = masktest::createDatabase(RecordsLocation::fromText(path))) {
        QTest::qFail(qPrintable(error.description), __FILE__, __LINE__);
        return {};
    }
    RawConnection raw(path);
    QSqlDatabase db = raw.database();
    db.transaction();
    {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO \"MT\" (\"%1\") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                           .arg(masktest::fieldNames().join(QStringLiteral("\",\""))));
        for (const Row& r : rows) {
            for (const QVariant& v : r)
                insert.addBindValue(v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
            if (!insert.exec())
                QTest::qFail(qPrintable(insert.lastError().text()), __FILE__, __LINE__);
        }
    }
    db.commit();
    return path;
}

QString connectionString(const QString& path)
{
    return RecordsLocation::fromText(path).connectionString();
}

QList<Row> readRows(const QString& path)
{
    RawConnection raw(path);
    QSqlQuery query
        = raw.query(QStringLiteral("SELECT \"%1\" FROM \"MT\" ORDER BY %2")
                        .arg(masktest::fieldNames().join(QStringLiteral("\",\"")),
                             server::isServerUri(path) ? QStringLiteral("row_key") : QStringLiteral("rowid")));
    QList<Row> rows;
    while (query.next()) {
        Row r;
        for (int i = 0; i < 14; ++i)
            r << (query.isNull(i) ? QVariant() : QVariant(query.value(i).toString()));
        rows << r;
    }
    return rows;
}

bool execute(const QString& path, const QString& sql, const QVariantList& values)
{
    return RawConnection(path).query(sql, values).isActive();
}

bool refuseWrites(const QString& path, const QString& operation, const QString& message)
{
    const QString name = QStringLiteral("refuse_") + operation.toLower();
    if (!server::isServerUri(path))
        return execute(path,
                       QStringLiteral(R"(CREATE TRIGGER %1 BEFORE %2 ON "MT" BEGIN SELECT RAISE(ABORT, '%3'); END)")
                           .arg(name, operation, message));
    return execute(path,
                   QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                                  "$$BEGIN RAISE EXCEPTION '%2'; END$$")
                       .arg(name, message))
        && execute(path,
                   QStringLiteral(R"(CREATE TRIGGER %1 BEFORE %2 ON "MT" FOR EACH ROW EXECUTE FUNCTION %1())")
                       .arg(name, operation));
}

bool allowWrites(const QString& path, const QString& operation)
{
    const QString name = QStringLiteral("refuse_") + operation.toLower();
    return execute(path,
                   server::isServerUri(path) ? QStringLiteral(R"(DROP TRIGGER %1 ON "MT")").arg(name)
                                             : QStringLiteral("DROP TRIGGER %1").arg(name));
}

bool makeUnreachable(const QString& path, bool unreachable)
{
    if (!server::isServerUri(path)) {
        const QString moved = path + QStringLiteral(".moved");
        return unreachable ? QFile::rename(path, moved) : QFile::rename(moved, path);
    }
    const QString database = server::parse(path).database;
    return testServer().execute(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2")
                                    .arg(database, unreachable ? QStringLiteral("false") : QStringLiteral("true")));
}

QString storeYear()
{
    RawConnection raw(QStringLiteral(":memory:"));
    QSqlQuery query = raw.query(QStringLiteral("SELECT strftime('%Y','now','localtime')"));
    query.next();
    return query.value(0).toString();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::pair<int, QString> run(QStringList command)
{
    QProcess process;
    process.start(command.takeFirst(), command);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

} // namespace vantor::test
