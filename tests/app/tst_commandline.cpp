#include "testdatabase.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void createsARecordsFile();
    void neverOverwritesAFile();
    void refusesABadSampleCount_data();
    void refusesABadSampleCount();

private:
    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    static Run vantor(const QStringList& arguments);
    QTemporaryDir m_dir;
};

tst_CommandLine::Run tst_CommandLine::vantor(const QStringList& arguments)
{
    QProcess process;
    // Creating a file needs no display: the command must not ask for one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VANTOR_EXECUTABLE), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

void tst_CommandLine::createsARecordsFile()
{
    const QString empty = m_dir.filePath(QStringLiteral("empty.mdb"));
    Run run = vantor({QStringLiteral("--create-database"), empty});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(vantor::test::readRows(empty).isEmpty());

    const QString sample = m_dir.filePath(QStringLiteral("sample.mdb"));
    run = vantor({QStringLiteral("--create-database"), sample, QStringLiteral("--sample"), QStringLiteral("25")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(sample));
    QCOMPARE(vantor::test::readRows(sample).size(), 25);
}

void tst_CommandLine::neverOverwritesAFile()
{
    const QString path = m_dir.filePath(QStringLiteral("MaskTest.mdb"));
    vantor::test::createDatabase(m_dir.path(), {vantor::test::row({{"ID", "A123"}})});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const Run run = vantor({QStringLiteral("--create-database"), path, QStringLiteral("--sample"), QStringLiteral("3")});
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(path), qPrintable(run.err));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void tst_CommandLine::refusesABadSampleCount_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("word") << "many";
    QTest::newRow("negative") << "-4";
    QTest::newRow("fraction") << "2.5";
}

void tst_CommandLine::refusesABadSampleCount()
{
    QFETCH(QString, count);
    const QString path = m_dir.filePath(QStringLiteral("bad.mdb"));
    const Run run = vantor({QStringLiteral("--create-database"), path, QStringLiteral("--sample"), count});
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(count), qPrintable(run.err));
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
