#pragma once

#include <QString>

class QTextStream;

namespace vantor::bench {

// A PostgreSQL server of the benchmark's own, started with the test suite's script
// (tests/support/pgserver.sh: a fresh cluster in a temporary folder, on a port and socket of
// its own) and stopped when the object goes; databases on it hold the same records as the
// SQLite files, in the same order.
class BenchServer
{
public:
    BenchServer() = default;
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    bool start(const QString& script, const QString& infoFile, QTextStream& log);
    QString location(const QString& database) const;
    quint16 port() const { return quint16(m_port.toUInt()); }
    // A login `role` with the owner's rights and the password `password`, for connections over
    // TCP (the socket alone admits the superuser without one). The password reaches the server
    // as a SCRAM verifier made here, never on a command line.
    bool createLogin(const QString& role, const QString& password, QTextStream& log) const;
    // A database "bench_SIZE" holding every record of `file`, copied in with psql; its location.
    QString ensureDatabase(int size, const QString& file, QTextStream& log, bool fitTests = false) const;

private:
    QString m_script;
    QString m_info;
    QString m_socket;
    QString m_port;
};

} // namespace vantor::bench
