#pragma once

// What the store's tests share: the records they make and how they open them.
#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <recordset.h>

#include <QTemporaryDir>
#include <QTest>

namespace vantor::storetest {

inline const QString AllById = QStringLiteral("SELECT * FROM MT ORDER BY ID ASC");

inline StoreError open(RecordSet& rs, const QString& path, const QString& sql = AllById,
                       const QVariantList& params = {}, Reading reading = Reading::OnDemand)
{
    return rs.open(sql, test::connectionString(path), params, reading);
}
inline QString text(const RecordSet& rs, const char* field)
{
    return rs.value(QString::fromLatin1(field)).toString();
}

// What the tests of each engine share: a temporary folder and records made in it.
class StoreTest : public QObject
{
    Q_OBJECT

protected:
    QString database(const QList<test::Row>& rows)
    {
        return test::createDatabase(m_dir.path(), rows, QString::number(++m_files) + QStringLiteral(".mdb"));
    }
    // Where new records can be made: a file name not yet taken, or a new, empty database.
    QString emptyLocation()
    {
        return test::onServer() ? test::testServer().uri(test::testServer().newDatabase())
                                : m_dir.filePath(QString::number(++m_files) + QStringLiteral(".mdb"));
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

// The tests of what only a server does or suffers (tst_storeserver.cpp) and of how the store
// waits for one (tst_storewait.cpp); their QTest status.
int runServerTests(int argc, char* argv[]);
int runWaitTests(int argc, char* argv[]);

} // namespace vantor::storetest
