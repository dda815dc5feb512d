#include "testdatabase.h"

#include <masktest.h>
#include <serverlocation.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUrl>

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
        else if (text.startsWith(u"PGTLS="))
            server->tls = text.mid(6) == u"''" ? QString() : text.mid(6);
    }
    return server;
}

// A connection to a server database past the store, as psql makes one: the location's parts
// handed to libpq as keywords, exactly as they are.
class ServerConnection
{
public:
    explicit ServerConnection(const QString& uri)
    {
        const server::ServerAddress address = server::parse(uri);
        QList<QByteArray> texts;
        for (const auto& [keyword, value] : address.keywords)
            texts << keyword.toUtf8() << value.toUtf8();
        std::vector<const char*> keywords, values;
        for (qsizetype i = 0; i < texts.size(); i += 2) {
            keywords.push_back(texts.at(i).constData());
            values.push_back(texts.at(i + 1).constData());
        }
        keywords.push_back(nullptr);
        values.push_back(nullptr);
        m_conn = PQconnectdbParams(keywords.data(), values.data(), 0);
        if (PQstatus(m_conn) != CONNECTION_OK)
            qWarning("%s", PQerrorMessage(m_conn));
    }
    ~ServerConnection() { PQfinish(m_conn); }
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    PGconn* handle() const { return m_conn; }

    // Runs `sql`, its '?' marks bound from `values` (texts and nulls); `rows` gets the result.
    bool run(const QString& sql, const QVariantList& values, QList<QVariantList>* rows = nullptr) const
    {
        QString numbered;
        int n = 0;
        bool quoted = false;
        for (const QChar c : sql) {
            quoted = c == u'\'' ? !quoted : quoted;
            numbered += c == u'?' && !quoted ? u'$' + QString::number(++n) : QString(c);
        }
        QList<QByteArray> texts;
        std::vector<const char*> bound;
        for (const QVariant& v : values)
            texts << v.toString().toUtf8();
        for (qsizetype i = 0; i < values.size(); ++i)
            bound.push_back(values.at(i).isNull() ? nullptr : texts.at(i).constData());
        PGresult* result = PQexecParams(m_conn, numbered.toUtf8().constData(), int(bound.size()), nullptr, bound.data(),
                                        nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        const bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!done)
            qWarning("%s", PQresultErrorMessage(result));
        for (int r = 0; done && rows && r < PQntuples(result); ++r) {
            QVariantList row;
            for (int c = 0; c < PQnfields(result); ++c)
                row << (PQgetisnull(result, r, c) ? QVariant() : QVariant(QString::fromUtf8(PQgetvalue(result, r, c))));
            *rows << row;
        }
        PQclear(result);
        return done;
    }

private:
    PGconn* m_conn;
};

bool runScript(const QString& action, const QString& infoFile, const QString& option = {})
{
    QStringList command{QStringLiteral("bash"), qEnvironmentVariable("VANTOR_TEST_PGSCRIPT"), action, infoFile};
    if (!option.isEmpty())
        command << option;
    const auto [status, output] = run(command);
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
    const QString name = QString::fromUtf8(QUrl::toPercentEncoding(database));
    if (user.isEmpty())
        return QStringLiteral("postgresql://vantor_admin@/%1?host=%2&port=%3").arg(name, socket, port);
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
        .arg(QString::fromUtf8(QUrl::toPercentEncoding(user)), port, name);
}

bool TestServer::execute(const QString& sql, const QString& database) const
{
    return ServerConnection(uri(database)).run(sql, {});
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
    const ServerConnection raw(uri(QStringLiteral("postgres")));
    char* verifier = PQencryptPasswordConn(raw.handle(), password.toUtf8().constData(), role.toUtf8().constData(),
                                           "scram-sha-256");
    if (!verifier)
        return false;
    const QString sql = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(role, QString::fromLatin1(verifier));
    PQfreemem(verifier);
    return raw.run(sql, {});
}

bool TestServer::control(const QString& action) const
{
    return runScript(action, infoFile);
}

std::unique_ptr<TestServer> TestServer::startPrivate(const QString& directory, bool tls)
{
    const QString info = QDir(directory).filePath(QStringLiteral("pgserver.info"));
    if (!runScript(QStringLiteral("start"), info, tls ? QStringLiteral("--tls") : QString()))
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
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
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
    const QString insert = QStringLiteral("INSERT INTO \"MT\" (\"%1\") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                               .arg(masktest::fieldNames().join(QStringLiteral("\",\"")));
    bool stored = true;
    if (onServer()) {
        const ServerConnection raw(path);
        stored = raw.run(QStringLiteral("BEGIN"), {});
        for (qsizetype i = 0; stored && i < rows.size(); ++i)
            stored = raw.run(insert, rows.at(i));
        stored = stored && raw.run(QStringLiteral("COMMIT"), {});
    } else {
        const RawConnection raw(path);
        QSqlDatabase db = raw.database();
        db.transaction();
        QSqlQuery query(db);
        stored = query.prepare(insert);
        for (qsizetype i = 0; stored && i < rows.size(); ++i) {
            for (const QVariant& v : rows.at(i))
                query.addBindValue(v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
            stored = query.exec();
        }
        stored = stored && db.commit();
    }
    if (!stored)
        QTest::qFail("the test's records could not be stored", __FILE__, __LINE__);
    return path;
}

QString connectionString(const QString& path)
{
    return RecordsLocation::fromText(path).connectionString();
}

QList<Row> readRows(const QString& path)
{
    QList<QVariantList> rows;
    execute(path,
            QStringLiteral("SELECT \"%1\" FROM \"MT\" ORDER BY %2")
                .arg(masktest::fieldNames().join(QStringLiteral("\",\"")),
                     server::isServerUri(path) ? QStringLiteral("row_key") : QStringLiteral("rowid")),
            {}, &rows);
    return rows;
}

bool execute(const QString& path, const QString& sql, const QVariantList& values, QList<QVariantList>* rows)
{
    if (server::isServerUri(path))
        return ServerConnection(path).run(sql, values, rows);
    const RawConnection raw(path);
    QSqlQuery query = raw.query(sql, values);
    const bool done = query.isActive();
    const int columns = query.record().count();
    while (rows && query.next()) {
        QVariantList row;
        for (int c = 0; c < columns; ++c)
            row << (query.isNull(c) ? QVariant() : QVariant(query.value(c).toString()));
        *rows << row;
    }
    return done;
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
