#pragma once

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

namespace vantor::test {

// A connection of its own to a records file, past the store, as another program would open
// it; removed when it goes out of scope.
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
// returns its path. Fails the calling test on error.
QString createDatabase(const QString& directory, const QList<Row>& rows,
                       const QString& fileName = QStringLiteral("MaskTest.mdb"));

// Every row of MT in storage order, read past the store, so a test sees what is on disk.
QList<Row> readRows(const QString& path);

// Runs one statement on the file outside the store, as another program would.
bool execute(const QString& path, const QString& sql, const QVariantList& values = {});

// The calendar year by SQLite's clock, as the store's queries compare it.
QString storeYear();

QByteArray fileBytes(const QString& path);

// Runs a program to its end; its exit code (-1 if it did not end normally) and all it printed.
std::pair<int, QString> run(QStringList command);

} // namespace vantor::test
