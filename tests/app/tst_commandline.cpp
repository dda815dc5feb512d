#include "testdatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Creating a file needs no display: the command must not ask for one.
    void initTestCase() { qunsetenv("QT_QPA_PLATFORM"), qunsetenv("DISPLAY"); }
    void createDatabase_data()
    {
        QTest::addColumn<QString>("sample"); // empty: no --sample
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("rows"); // -1: refused
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("sample") << "25" << false << 25;
        QTest::newRow("file exists") << "3" << true << -1;
        QTest::newRow("word") << "many" << false << -1;
        QTest::newRow("negative") << "-4" << false << -1;
        QTest::newRow("fraction") << "2.5" << false << -1;
    }
    void createDatabase()
    {
        QFETCH(QString, sample);
        QFETCH(bool, exists);
        QFETCH(int, rows);
        const QString path = exists
            ? vantor::test::createDatabase(m_dir.path(), {vantor::test::row({{"ID", "A123"}})},
                                           QStringLiteral("exists.mdb"))
            : m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
        const QByteArray before = vantor::test::fileBytes(path);
        QStringList command{QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--create-database"), path};
        if (!sample.isEmpty())
            command << QStringLiteral("--sample") << sample;
        const auto [code, output] = vantor::test::run(command);
        QVERIFY2((code == 0) == (rows >= 0) && code >= 0, qPrintable(output));
        if (rows >= 0) {
            QVERIFY(output.contains(path) || sample.isEmpty());
            QCOMPARE(vantor::test::readRows(path).size(), rows);
        } else {
            QVERIFY2(output.contains(exists ? path : sample), qPrintable(output));
            QCOMPARE(vantor::test::fileBytes(path), before); // never overwritten, never created
            QCOMPARE(QFile::exists(path), exists);
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
