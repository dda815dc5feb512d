#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace vantor::server {

// Whether a location as a user writes it is a libpq connection URI,
// postgresql://[user@]host[:port]/dbname[?param=value&...], its scheme in any case.
bool isServerUri(const QString& text);

// Whether a location as a user writes it is in libpq's form: a URI of the postgresql scheme
// (its slashes right or wrong: one that cannot be read is refused with libpq's reason) or
// libpq's other form "host=dbhost dbname=masktest".
bool isPostgresLocation(const QString& text);

// A connection URI or key=value string taken apart by libpq itself, so that every parameter
// libpq knows (sslmode, the service file's service, connect_timeout, ...) means what it means
// to psql.
struct ServerAddress {
    QList<std::pair<QString, QString>> keywords; // every parameter the location sets, the password left out
    QString host; // as the location or libpq's defaults (PGHOST, ...) give them
    QString port;
    QString database;
    QString user;
    QString service; // a service of the service file, which then gives what the location leaves out
    bool namesPassword = false; // the location carries a password, which Vantor never takes from it
    QString error; // why the location cannot be read, never with a password; empty when it can
};

ServerAddress parse(const QString& location);

// The location's text without any password it holds, in whatever form it is written (a URI's
// user:password@, a password parameter), for a message about a location libpq cannot read.
QString withoutPassword(const QString& location);

// The server and database for a message: host, port, database and user, never a password.
QString describe(const ServerAddress& address);
QString describe(const QString& location);

} // namespace vantor::server
