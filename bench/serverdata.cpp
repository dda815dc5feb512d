#include "serverdata.h"

#include "spawn.h"

#include <fittests.h>
#include <masktest.h>

#include <QFile>
#include <QTextStream>

#include <libpq-fe.h>

namespace vantor::bench {

namespace {

QString shellQuoted(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

bool psql(const QString& location, const QString& sql, QTextStream& log)
{
    const ProcessResult r
        = runProcess({QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                      QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), location, QStringLiteral("-c"),
                      // Keeps "does not exist, skipping" out of the results.
                      QStringLiteral("SET client_min_messages = warning"), QStringLiteral("-c"), sql},
                     false);
    if (r.exitCode != 0)
        log << "bench: psql failed: " << sql << Qt::endl;
    return r.exitCode == 0;
}

} // namespace

BenchServer::~BenchServer()
{
    if (!m_info.isEmpty())
        runProcess({QStringLiteral("bash"), m_script, QStringLiteral("stop"), m_info}, false);
}

bool BenchServer::start(const QString& script, const QString& infoFile, QTextStream& log)
{
    const ProcessResult r = runProcess({QStringLiteral("bash"), script, QStringLiteral("start"), infoFile}, true);
    if (r.exitCode != 0) {
        log << "bench: the PostgreSQL server did not start (" << script << ")" << Qt::endl;
        return false;
    }
    m_script = script;
    m_info = infoFile;
    QFile info(infoFile);
    if (!info.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : info.readAll().split('\n')) {
        if (line.startsWith("PGSOCKET="))
            m_socket = QString::fromUtf8(line.mid(9));
        else if (line.startsWith("PGPORT="))
            m_port = QString::fromUtf8(line.mid(7));
    }
    return !m_socket.isEmpty() && !m_port.isEmpty();
}

QString BenchServer::location(const QString& database) const
{
    return QStringLiteral("postgresql://vantor_admin@/%1?host=%2&port=%3").arg(database, m_socket, m_port);
}

bool BenchServer::createLogin(const QString& role, const QString& password, QTextStream& log) const
{
    const QByteArray conninfo
        = QStringLiteral("host=%1 port=%2 user=vantor_admin dbname=postgres").arg(m_socket, m_port).toUtf8();
    PGconn* connection = PQconnectdb(conninfo.constData());
    bool made = false;
    if (PQstatus(connection) == CONNECTION_OK) {
        if (char* verifier = PQencryptPasswordConn(connection, password.toUtf8().constData(), role.toUtf8().constData(),
                                                   "scram-sha-256")) {
            const QByteArray sql = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE vantor_admin")
                                       .arg(role, QString::fromLatin1(verifier))
                                       .toUtf8();
            PQfreemem(verifier);
            PGresult* result = PQexec(connection, sql.constData());
            made = PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
        }
    }
    if (!made)
        log << "bench: no login " << role << " on the server: " << PQerrorMessage(connection) << Qt::endl;
    PQfinish(connection);
    return made;
}

QString BenchServer::ensureDatabase(int size, const QString& file, QTextStream& log, bool fitTests) const
{
    const QString name = (fitTests ? QStringLiteral("bench_ft_%1") : QStringLiteral("bench_%1")).arg(size);
    const QString target = location(name);
    if (!psql(location(QStringLiteral("postgres")), QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name), log)
        || !psql(location(QStringLiteral("postgres")), QStringLiteral("CREATE DATABASE %1").arg(name), log))
        return {};
    if (const StoreError error = masktest::createDatabase(RecordsLocation::fromText(target))) {
        log << "bench: " << error.description << Qt::endl;
        return {};
    }
    // The file's rows in the file's order: the server's row keys follow it. CSV tells a null
    // (nothing) from an empty text ("") both ways.
    const QString columns = QStringLiteral("\"%1\"").arg(masktest::fieldNames().join(QStringLiteral("\",\"")));
    // Rows copied in bulk bring no history: the triggers are set aside for the session, as a
    // replica's are (the benchmark's own superuser).
    const QString pipeline
        = QStringLiteral("sqlite3 -csv %1 %2 | psql -X -q -v ON_ERROR_STOP=1 -d %3 "
                         "-c 'SET session_replication_role = replica' -c %4")
              .arg(shellQuoted(file), shellQuoted(QStringLiteral("SELECT %1 FROM MT ORDER BY rowid").arg(columns)),
                   shellQuoted(target),
                   shellQuoted(QStringLiteral("\\copy \"MT\" (%1) FROM STDIN WITH (FORMAT csv)").arg(columns)));
    QStringList pipelines{pipeline};
    // The tests likewise; their members' keys are the file's, which the server's follow.
    if (fitTests) {
        const QString testColumns
            = QStringLiteral("\"%1\"").arg(fittests::testTable().columns.join(QStringLiteral("\",\"")));
        pipelines
            << QStringLiteral("sqlite3 -csv %1 %2 | psql -X -q -v ON_ERROR_STOP=1 -d %3 "
                              "-c 'SET session_replication_role = replica' -c %4")
                   .arg(shellQuoted(file),
                        shellQuoted(QStringLiteral("SELECT %1 FROM \"FitTest\" ORDER BY row_key").arg(testColumns)),
                        shellQuoted(target),
                        shellQuoted(
                            QStringLiteral("\\copy \"FitTest\" (%1) FROM STDIN WITH (FORMAT csv)").arg(testColumns)));
    }
    bool copied = true;
    for (const QString& command : std::as_const(pipelines))
        copied = copied
            && runProcess({QStringLiteral("bash"), QStringLiteral("-o"), QStringLiteral("pipefail"),
                           QStringLiteral("-c"), command},
                          false)
                    .exitCode
                == 0;
    if (!copied || !psql(target, QStringLiteral("VACUUM ANALYZE"), log)) {
        log << "bench: the records of " << file << " could not be copied to the server" << Qt::endl;
        return {};
    }
    return target;
}

} // namespace vantor::bench
