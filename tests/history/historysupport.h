#pragma once

#include "testdatabase.h"

#include <connection.h>
#include <history.h>
#include <historycheck.h>
#include <serverlocation.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QTimeZone>

// What the history's tests share: the entries as another program reads them, the shells a
// clerk changes records with, and the check.
namespace vantor::test {

struct StoredEntry {
    qint64 number = 0;
    QVariantMap fields; // by column name; a null is an invalid QVariant

    QString text(const char* column) const { return fields.value(QString::fromLatin1(column)).toString(); }
    bool isNull(const char* column) const { return !fields.value(QString::fromLatin1(column)).isValid(); }
    // A field of the record before or after the entry.
    QJsonValue before(const char* field) const { return json("Before").value(QString::fromLatin1(field)); }
    QJsonValue after(const char* field) const { return json("After").value(QString::fromLatin1(field)); }
    QJsonObject json(const char* column) const { return QJsonDocument::fromJson(text(column).toUtf8()).object(); }
};

// Every entry in the order of their numbers, read past the store.
inline QList<StoredEntry> storedEntries(const QString& path)
{
    const QStringList names = QStringList{QStringLiteral("row_key")} + history::columns();
    QList<QVariantList> rows;
    if (!execute(path,
                 QStringLiteral(R"(SELECT "%1" FROM "History" ORDER BY "row_key")")
                     .arg(names.join(QStringLiteral("\", \""))),
                 {}, &rows))
        QTest::qFail("the history cannot be read", __FILE__, __LINE__);
    QList<StoredEntry> entries;
    for (const QVariantList& row : std::as_const(rows)) {
        StoredEntry entry;
        entry.number = row.value(0).toLongLong();
        for (qsizetype i = 0; i < names.size(); ++i)
            entry.fields.insert(names.at(i), row.value(i));
        entries << entry;
    }
    return entries;
}

// Runs `sql` with the engine's own shell, sqlite3 or psql, as a clerk at a terminal would.
inline std::pair<int, QString> shell(const QString& path, const QString& sql)
{
    if (server::isServerUri(path))
        return run({QStringLiteral("psql"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), path, QStringLiteral("-c"), sql});
    return run({QStringLiteral("sqlite3"), QStringLiteral("-bail"), path, sql});
}

// Who the entries of this program name: the login role on a server, the user and machine on a file.
inline QString ourWriter(const QString& path)
{
    return server::isServerUri(path) ? QStringLiteral("vantor_admin") : history::localWriter();
}

// The check of the history, as --verify-history makes it.
inline history::Verification verified(const QString& path)
{
    Connection connection;
    history::Verification result;
    if (const StoreError error = connection.open(connectionString(path)))
        QTest::qFail(qPrintable(error.description), __FILE__, __LINE__);
    else if (const StoreError failed = history::verifyHistory(connection, result))
        QTest::qFail(qPrintable(failed.description), __FILE__, __LINE__);
    return result;
}

// The findings of a check as "kind entry record-key", in their order, for a comparison.
inline QStringList findingsOf(const history::Verification& result)
{
    QStringList findings;
    for (const history::Finding& f : result.findings)
        findings << QStringLiteral("%1 %2 %3").arg(int(f.kind)).arg(f.entry).arg(f.recordKey);
    return findings;
}

// An entry's time, read as UTC.
inline QDateTime entryTime(const StoredEntry& entry)
{
    QDateTime time = QDateTime::fromString(entry.text("At"), Qt::ISODateWithMs);
    time.setTimeZone(QTimeZone::utc());
    return time;
}

} // namespace vantor::test
