#include "masktest.h"

#include "sampledata.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vantor::masktest {

namespace {

const char* const CreateTable
    = "CREATE TABLE MT (ID TEXT, Last TEXT, First TEXT, Init TEXT, Rank TEXT, Kelly TEXT, Batt TEXT, "
      "Unit TEXT, Assign TEXT, Month TEXT, Day TEXT, Year TEXT, Special TEXT, AssignTo TEXT)";
const char* const CreateIndexes[] = {
    "CREATE INDEX MT_ID ON MT (ID)",
    "CREATE INDEX MT_Unit ON MT (Unit)",
    "CREATE INDEX MT_Special ON MT (Special)",
};

StoreError fillSamples(Connection& connection, int sampleCount, quint32 seed)
{
    QSqlDatabase db = connection.database();
    const Engine* engine = connection.engine();
    if (!db.transaction())
        return engine->mapError(db.lastError(), connection.dataSource());
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO MT VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    SampleGenerator generator(seed);
    for (int i = 0; i < sampleCount; ++i) {
        const SampleRecord record = generator.next();
        for (const QVariant& v : record.values)
            insert.addBindValue(v);
        if (!insert.exec()) {
            const StoreError error = engine->mapError(insert.lastError(), connection.dataSource());
            db.rollback();
            return error;
        }
    }
    if (!db.commit())
        return engine->mapError(db.lastError(), connection.dataSource());
    return {};
}

} // namespace

QStringList fieldNames()
{
    return {QStringLiteral("ID"),      QStringLiteral("Last"),    QStringLiteral("First"), QStringLiteral("Init"),
            QStringLiteral("Rank"),    QStringLiteral("Kelly"),   QStringLiteral("Batt"),  QStringLiteral("Unit"),
            QStringLiteral("Assign"),  QStringLiteral("Month"),   QStringLiteral("Day"),   QStringLiteral("Year"),
            QStringLiteral("Special"), QStringLiteral("AssignTo")};
}

StoreError verifySchema(Connection& connection)
{
    const QSqlRecord record = connection.database().record(TableName);
    if (record.isEmpty()) {
        // SQLite takes an empty file for an empty database; the user should hear it is empty.
        const bool empty = QFileInfo(connection.dataSource()).size() == 0;
        return StoreError::make(
            TableNotFound,
            QStringLiteral("The file '%1' %2 no table MT of mask test records.")
                .arg(connection.dataSource(),
                     empty ? QStringLiteral("is empty (0 bytes): it holds") : QStringLiteral("holds")));
    }
    QStringList missing;
    for (const QString& name : fieldNames()) {
        if (record.indexOf(name) < 0)
            missing << name;
    }
    if (!missing.isEmpty())
        return StoreError::make(TableNotFound,
                                QStringLiteral("The table MT in '%1' lacks the fields %2.")
                                    .arg(connection.dataSource(), missing.join(QStringLiteral(", "))));
    return {};
}

StoreError createDatabase(const QString& path, int sampleCount, quint32 seed)
{
    // Claim the name first, exclusively: an existing records file is never overwritten,
    // not even by a second program creating the same file at the same moment.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
        if (QFileInfo::exists(path))
            return StoreError::make(FileExists,
                                    QStringLiteral("The file '%1' already exists; it is left as it is.").arg(path));
        return StoreError::make(AccessDenied,
                                QStringLiteral("The file '%1' cannot be created: %2").arg(path, file.errorString()));
    }
    file.close();

    StoreError error;
    {
        Connection connection;
        error = connection.open(jetConnectionString(path));
        if (!error) {
            QSqlQuery query(connection.database());
            if (!query.exec(QString::fromLatin1(CreateTable)))
                error = connection.engine()->mapError(query.lastError(), path);
            for (const char* sql : CreateIndexes) {
                if (!error && !query.exec(QString::fromLatin1(sql)))
                    error = connection.engine()->mapError(query.lastError(), path);
            }
            query.finish();
            if (!error && sampleCount > 0)
                error = fillSamples(connection, sampleCount, seed);
        }
    }
    if (error)
        QFile::remove(path); // only the file this call created
    return error;
}

} // namespace vantor::masktest
