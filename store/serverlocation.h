#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace vantor::server {

// Whether a location as a user writes it names a database server: a libpq connection URI,
// postgresql://[user@]host[:port]/dbname[?param=value&...]. Anything else is a file path.
bool isServerUri(const QString& text);

// A connection URI taken apart by libpq itself, so that every parameter libpq knows
// (sslmode, the service file's service, connect_timeout, ...) means what it means to psql.
struct ServerAddress {
    QList<std::pair<QString, QString>> keywords; // every parameter the URI sets, the password left out
    QString host; // as the URI or libpq's defaults (PGHOST, ...) give them
    QString port;
    QString database;
    QString user;
    bool namesPassword = false; // the URI carries a password, which Vantor never takes from it
    QString error; // why the URI cannot be read; empty when it can
};

ServerAddress parse(const QString& uri);

// The server and database for a message: host, port, database and user, never a password.
QString describe(const ServerAddress& address);
QString describe(const QString& uri);

// Passwords typed into the window for this run of the program, kept in memory only and
// used for every later connection to the same location; never written anywhere.
void rememberPassword(const QString& uri, const QString& password);
QString rememberedPassword(const QString& uri);

} // namespace vantor::server
