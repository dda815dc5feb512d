#include "testdatabase.h"

#include <masktest.h>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

namespace vantor::test {

namespace {

// A raw connection of its own, closed and removed when it goes out of scope.
class RawConnection
{
public:
    explicit RawConnection(const QString& path)
        : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

} // namespace

Row row(const QMap<QString, QVariant>& values)
{
    Row r;
    for (const QString& name : masktest::fieldNames())
        r << values.value(name);
    return r;
}

QString createDatabase(const QString& directory, const QList<Row>& rows, const QString& fileName)
{
    const QString path = QDir(directory).filePath(fileName);
    const StoreError error = masktest::createDatabase(path);
    if (error) {
        QTest::qFail(qPrintable(error.description), __FILE__, __LINE__);
        return {};
    }
    RawConnection raw(path);
    QSqlDatabase db = raw.db();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO MT VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (const Row& r : rows) {
        for (const QVariant& v : r)
            insert.addBindValue(v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
        if (!insert.exec())
            QTest::qFail(qPrintable(insert.lastError().text()), __FILE__, __LINE__);
    }
    insert.finish();
    db.commit();
    return path;
}

QList<Row> readRows(const QString& path)
{
    RawConnection raw(path);
    QSqlQuery query(raw.db());
    QList<Row> rows;
    if (!query.exec(QStringLiteral("SELECT ID, Last, First, Init, Rank, Kelly, Batt, Unit, Assign, Month, Day, "
                                   "Year, Special, AssignTo FROM MT ORDER BY rowid"))) {
        QTest::qFail(qPrintable(query.lastError().text()), __FILE__, __LINE__);
        return rows;
    }
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
    RawConnection raw(path);
    QSqlQuery query(raw.db());
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    const bool ok = query.exec();
    if (!ok)
        qWarning("%s", qPrintable(query.lastError().text()));
    return ok;
}

QString storeYear()
{
    RawConnection raw(QStringLiteral(":memory:"));
    QSqlQuery query(raw.db());
    query.exec(QStringLiteral("SELECT strftime('%Y','now','localtime')"));
    query.next();
    return query.value(0).toString();
}

} // namespace vantor::test
