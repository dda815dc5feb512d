#include "legacycsv.h"

#include <connection.h>
#include <legacyimport.h>
#include <querysql.h>
#include <recordset.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

namespace {
QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class tst_LegacyImport : public QObject
{
    Q_OBJECT

private slots:
    void convertsEveryValueOfEveryRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("all text") << QStringLiteral("MaskTest-text");
        QTest::newRow("typed, with a second table") << QStringLiteral("MaskTest-typed");
    }
    void convertsEveryValueOfEveryRow()
    {
        QFETCH(QString, name);
        const QList<Row> csv = readCsv(legacyFixture(name + QStringLiteral(".csv")));
        QVERIFY(csv.size() > 100);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("new.mdb"));
        qsizetype count = 0;
        const StoreError error = legacy::convertFile(legacyFixture(name + QStringLiteral(".mdb")), target, &count);
        QVERIFY2(!error, qPrintable(error.description));
        QCOMPARE(count, csv.size());
        QCOMPARE(render(readRows(target)), render(csv));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("new.mdb")});

        // The converted values compare in SQL as the texts they were: the untested special assignments.
        QStringList expected, listed;
        for (const Row& row : csv) {
            if (row.at(12).toString() == u"T" && (!row.at(11).isValid() || row.at(11).toString() != storeYear()))
                expected << row.at(0).toString();
        }
        RecordSet rs;
        QVERIFY(!rs.open(querysql::forPosition(4), jetConnectionString(target)));
        for (; !rs.eof(); rs.moveNext())
            listed << rs.value(QStringLiteral("ID")).toString();
        expected.sort();
        listed.sort();
        QVERIFY(!expected.isEmpty());
        QCOMPARE(listed, expected);
    }
    void failedConversionLeavesTheOriginal_data()
    {
        QTest::addColumn<qint64>("keptBytes"); // of the Access file; -1: all of it
        QTest::addColumn<QString>("target"); // empty: convert in place
        QTest::addColumn<qint32>("number");
        QTest::newRow("cut off in a page") << qint64(70000) << QString() << qint32(CorruptDatabase);
        QTest::newRow("cut off in the catalog") << qint64(6 * 4096) << QString() << qint32(CorruptDatabase);
        QTest::newRow("cut off in the records") << qint64(33 * 4096) << QString() << qint32(CorruptDatabase);
        QTest::newRow("target folder missing")
            << qint64(-1) << QStringLiteral("no such folder/new.mdb") << qint32(FileNotFound);
        QTest::newRow("earlier original kept") << qint64(-1) << QString() << qint32(FileExists);
    }
    void failedConversionLeavesTheOriginal()
    {
        QFETCH(qint64, keptBytes);
        QFETCH(QString, target);
        QFETCH(qint32, number);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("MaskTest.mdb"));
        QByteArray bytes = fileBytes(legacyFixture(QStringLiteral("MaskTest-text.mdb")));
        if (keptBytes >= 0)
            bytes.truncate(keptBytes);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QFile earlier(legacy::originalCopyPath(path));
        if (number == FileExists)
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        const QStringList before = entries(dir.path());

        const StoreError error
            = target.isEmpty() ? legacy::convertInPlace(path) : legacy::convertFile(path, dir.filePath(target));
        QCOMPARE(error.number, number);
        QVERIFY(!error.description.isEmpty());
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(entries(dir.path()), before);
        if (number == FileExists)
            QCOMPARE(fileBytes(legacy::originalCopyPath(path)), QByteArray("earlier"));
    }
};

QTEST_GUILESS_MAIN(tst_LegacyImport)
#include "tst_legacyimport.moc"
