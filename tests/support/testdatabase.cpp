#include "testdatabase.h"

#include <masktest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace vantor::test {

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
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
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
    const QString path = QDir(directory).filePath(fileName);
    if (const StoreError error = masktest::createDatabase(RecordsLocation::file(path))) {
        QTest::qFail(qPrintable(error.description), __FILE__, __LINE__);
        return {};
    }
    RawConnection raw(path);
    QSqlDatabase db = raw.database();
    db.transaction();
    {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO MT VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        for (const Row& r : rows) {
            for (const QVariant& v : r)
                insert.addBindValue(v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
            if (!insert.exec())
                QTest::qFail(qPrintable(insert.lastError().text()), __FILE__, __LINE__);
        }
    }
    db.commit();
    return path;
}

QList<Row> readRows(const QString& path)
{
    RawConnection raw(path);
    QSqlQuery query = raw.query(QStringLiteral("SELECT ") + masktest::fieldNames().join(u',')
                                + QStringLiteral(" FROM MT ORDER BY rowid"));
    QList<Row> rows;
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
    return RawConnection(path).query(sql, values).isActive();
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
