#pragma once

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <memory>

namespace vantor::test {

// The engine the tests run on: SQLite files in temporary folders, or databases on the test
// suite's own PostgreSQL server when VANTOR_TEST_ENGINE=postgresql. ctest runs the tests
// that hold for both engines once on each; a test's "path" is then a server location.
bool onServer();

// The test suite's PostgreSQL server (tests/support/pgserver.sh), as named by the info file
// in VANTOR_TEST_PGINFO; a test on the server fails when it is not running.
struct TestServer {
    QString infoFile;
    QString socket;
    QString port;
    QString tls; // the folder of its CA's and its own certificates, where it runs with SSL

    // The location of `database`: over the socket as the superuser, or over TCP as `user`.
    QString uri(const QString& database, const QString& user = {}) const;
    // Runs one statement as the superuser in `database`.
    bool execute(const QString& sql, const QString& database = QStringLiteral("postgres")) const;
    // A new, empty database; its name.
    QString newDatabase() const;
    // A login role that may connect over TCP with `password`, sent to the server only as a
    // SCRAM verifier made here, so that no statement or server log holds it.
    bool createRole(const QString& role, const QString& password) const;
    // pgserver.sh's `halt` (as a crash would), `resume`, `freeze` (SIGSTOP, as a network that
    // drops without a reset looks) or `thaw`.
    bool control(const QString& action) const;
    // A server of the caller's own, for tests that stop it; stopped when the object goes. With
    // `tls`, with SSL on, its certificate made out to "localhost" by a CA of the tests' own.
    static std::unique_ptr<TestServer> startPrivate(const QString& directory, bool tls = false);
    ~TestServer();

private:
    bool m_private = false;
};
const TestServer& testServer();

// A connection of its own to a records file, past the store, as another program would open it;
// removed when it goes out of scope.
class RawConnection
{
public:
    explicit RawConnection(const QString& path);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    // Runs `sql` with `values` bound; a failure is printed as a warning and leaves the query inactive.
    QSqlQuery query(const QString& sql, const QVariantList& values = {}) const;

private:
    const QString m_name = QUuid::createUuid().toString();
};

// One row of table MT in the table's field order; a null is an invalid QVariant.
using Row = QList<QVariant>;

// A row from field names to texts; fields not named are null.
Row row(const QMap<QString, QVariant>& values);

// Creates `fileName` in `directory` with the given rows through the store's own schema;
// returns its path. On the server, a new database stands for the file; its location is
// returned. Fails the calling test on error.
QString createDatabase(const QString& directory, const QList<Row>& rows,
                       const QString& fileName = QStringLiteral("MaskTest.mdb"));

// The connection string of a file path or a server location.
QString connectionString(const QString& path);

// Every row of MT in storage order, read past the store, so a test sees what is on disk.
QList<Row> readRows(const QString& path);

// Runs one statement on the file outside the store, as another program would. Statements
// meant for both engines quote their names: UPDATE "MT" SET "Last" = ... On the server, libpq
// is handed the location's parts as they are, and `rows`, where given, receives the result's
// rows as texts and nulls.
bool execute(const QString& path, const QString& sql, const QVariantList& values = {},
             QList<QVariantList>* rows = nullptr);

// Makes the records refuse every `operation` (INSERT, UPDATE or DELETE) on MT with `message`,
// as a store that will not take a write does; allowWrites() takes the refusal back.
bool refuseWrites(const QString& path, const QString& operation, const QString& message);
bool allowWrites(const QString& path, const QString& operation);

// Makes new connections to the records fail, while those open go on (the file moved away, the
// database closed to connections), or undoes it.
bool makeUnreachable(const QString& path, bool unreachable);

// The calendar year by SQLite's clock, as the store's queries compare it.
QString storeYear();

QByteArray fileBytes(const QString& path);

// Runs a program to its end; its exit code (-1 if it did not end normally) and all it printed.
std::pair<int, QString> run(QStringList command);

} // namespace vantor::test
