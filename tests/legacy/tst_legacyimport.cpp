#include "legacycsv.h"

#include <legacyimport.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

class tst_LegacyImport : public QObject
{
    Q_OBJECT

private slots:
    void convertsEveryValueOfEveryRow_data();
    void convertsEveryValueOfEveryRow();
    void convertsInPlaceKeepingTheOriginalOnce();
    void failedConversionLeavesTheOriginal_data();
    void failedConversionLeavesTheOriginal();
};

namespace {

enum class Damage { Truncated, NoTableMT, MissingFolder, FolderNotWritable };

// A writable copy of a fixture.
QString copyFixture(const QString& name, const QString& to)
{
    QFile::copy(legacyFixture(name), to);
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
    return to;
}

void truncateTo(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(size));
}

// Runs a conversion as a user without write permission on the folder. Root may write
// anywhere, so a root test gives the conversion to a child process running as nobody.
StoreError convertWithoutWritePermission(const QString& path)
{
    QFile::setPermissions(QFileInfo(path).path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                                      | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    if (geteuid() != 0)
        return legacy::convertInPlace(path);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return StoreError::make(-1, QStringLiteral("no pipe"));
    const pid_t child = fork();
    if (child == 0) {
        qint32 number = -1;
        if (setgid(65534) == 0 && setuid(65534) == 0)
            number = legacy::convertInPlace(path).number;
        const ssize_t written = write(pipeEnds[1], &number, sizeof number);
        _exit(written == sizeof number ? 0 : 1);
    }
    qint32 number = -1;
    const ssize_t got = read(pipeEnds[0], &number, sizeof number);
    waitpid(child, nullptr, 0);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return StoreError::make(got == sizeof number ? number : -1, QStringLiteral("(in the child)"));
}

} // namespace

void tst_LegacyImport::convertsEveryValueOfEveryRow_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("all text") << QStringLiteral("MaskTest-text");
    QTest::newRow("typed, with a second table") << QStringLiteral("MaskTest-typed");
}

void tst_LegacyImport::convertsEveryValueOfEveryRow()
{
    QFETCH(QString, name);
    const QList<Row> expected = readCsv(legacyFixture(name + QStringLiteral(".csv")));
    QVERIFY(expected.size() > 100);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("new.mdb"));
    qsizetype count = 0;
    const StoreError error = legacy::convertFile(legacyFixture(name + QStringLiteral(".mdb")), target, &count);
    QVERIFY2(!error, qPrintable(error.description));
    QCOMPARE(count, expected.size());
    QCOMPARE(render(readRows(target)), render(expected));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("new.mdb")});
}

void tst_LegacyImport::convertsInPlaceKeepingTheOriginalOnce()
{
    QTemporaryDir dir;
    const QString path = copyFixture(QStringLiteral("MaskTest-typed.mdb"), dir.filePath(QStringLiteral("MaskTest.mdb")));
    const StoreError error = legacy::convertInPlace(path);
    QVERIFY2(!error, qPrintable(error.description));
    QCOMPARE(fileBytes(legacy::originalCopyPath(path)), fileBytes(legacyFixture(QStringLiteral("MaskTest-typed.mdb"))));
    QCOMPARE(render(readRows(path)), render(readCsv(legacyFixture(QStringLiteral("MaskTest-typed.csv")))));

    // A second Access file in the same place must not push out the first one's original.
    QFile::remove(path);
    copyFixture(QStringLiteral("MaskTest-text.mdb"), path);
    const StoreError refused = legacy::convertInPlace(path);
    QCOMPARE(refused.number, qint32(FileExists));
    QVERIFY2(refused.description.contains(QStringLiteral("MaskTest.mdb.jet-original")), qPrintable(refused.description));
    QCOMPARE(fileBytes(path), fileBytes(legacyFixture(QStringLiteral("MaskTest-text.mdb"))));
    QCOMPARE(fileBytes(legacy::originalCopyPath(path)), fileBytes(legacyFixture(QStringLiteral("MaskTest-typed.mdb"))));
}

void tst_LegacyImport::failedConversionLeavesTheOriginal_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<qint64>("keptBytes");
    QTest::addColumn<qint32>("number");
    QTest::newRow("cut off in a page") << Damage::Truncated << qint64(70000) << qint32(CorruptDatabase);
    QTest::newRow("cut off in the catalog") << Damage::Truncated << qint64(6 * 4096) << qint32(CorruptDatabase);
    QTest::newRow("cut off in the records") << Damage::Truncated << qint64(33 * 4096) << qint32(CorruptDatabase);
    QTest::newRow("no table MT") << Damage::NoTableMT << qint64(-1) << qint32(TableNotFound);
    QTest::newRow("target folder missing") << Damage::MissingFolder << qint64(-1) << qint32(FileNotFound);
    QTest::newRow("folder not writable") << Damage::FolderNotWritable << qint64(-1) << qint32(AccessDenied);
}

void tst_LegacyImport::failedConversionLeavesTheOriginal()
{
    QFETCH(Damage, damage);
    QFETCH(qint32, number);
    QTemporaryDir dir;
    const QString path = copyFixture(QStringLiteral("MaskTest-typed.mdb"), dir.filePath(QStringLiteral("MaskTest.mdb")));
    QFETCH(qint64, keptBytes);
    if (damage == Damage::Truncated)
        truncateTo(path, keptBytes);
    if (damage == Damage::NoTableMT) {
        const QByteArray bytes = renamingTableMT(fileBytes(path));
        QVERIFY(!bytes.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QByteArray before = fileBytes(path);
    const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    StoreError error;
    if (damage == Damage::MissingFolder)
        error = legacy::convertFile(path, dir.filePath(QStringLiteral("no such folder/new.mdb")));
    else if (damage == Damage::FolderNotWritable)
        error = convertWithoutWritePermission(path);
    else
        error = legacy::convertInPlace(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(error.number, number);
    QVERIFY(!error.description.isEmpty());
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entriesBefore);
}

QTEST_GUILESS_MAIN(tst_LegacyImport)
#include "tst_legacyimport.moc"
