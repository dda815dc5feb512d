#pragma once

#include "engine.h"

#include <QSqlDatabase>

struct sqlite3;
struct sqlite3_stmt;

namespace vantor {

class SqliteEngine;

// An open records file: Qt's SQLite connection, whose handle runs every statement itself, past
// Qt's query interface (a cached QVariant row for every row costs more than SQLite's own stepping).
class SqliteSession final : public Session
{
public:
    // `path` names the file in messages.
    SqliteSession(const SqliteEngine& engine, QString path);
    ~SqliteSession() override;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    // Takes the handle of the database once it is open; false when the driver hands out none.
    bool attach();

    // A file is not lost as a connection to a server is.
    bool lost() override { return false; }
    bool movedAway() const override;

protected:
    StoreError runOne(Statement& statement) override;

private:
    template<typename OnRow>
    StoreError step(const QString& sql, const QVariantList& parameters, OnRow onRow, qint64* rowsAffected);
    sqlite3_stmt* prepared(const QString& sql, int& rc);
    StoreError failure(int code) const;
    QString describeFailure(const QString& text) const;

    const SqliteEngine& m_engine;
    const QString m_path;
    const QString m_name;
    sqlite3* m_handle = nullptr;
    // The last statements prepared, kept for the next time: a copy of many records runs one
    // INSERT a record, and preparing it again each time would cost a third of the copy.
    struct Cached {
        QString sql;
        sqlite3_stmt* statement = nullptr;
    };
    std::vector<Cached> m_cache;
    // The file as it was opened: its device and inode.
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

} // namespace vantor
