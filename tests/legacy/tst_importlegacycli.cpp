#include "legacycsv.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace vantor::test;

class tst_ImportLegacyCli : public QObject
{
    Q_OBJECT

private slots:
    void importLegacy_data();
    void importLegacy();
};

namespace {

enum class Setup { Fixture, ExistingTarget, NotAccess, NoTableMT, Unreadable, FolderNotWritable };

constexpr auto ReadWriteAll = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr auto OpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

} // namespace

void tst_ImportLegacyCli::importLegacy_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("converts") << Setup::Fixture << 0 << QStringLiteral("Converted 300 records");
    QTest::newRow("existing target") << Setup::ExistingTarget << 1 << QStringLiteral("already exists");
    QTest::newRow("not an Access file") << Setup::NotAccess << 1 << QStringLiteral("not a Microsoft Access (Jet) file");
    QTest::newRow("no table MT") << Setup::NoTableMT << 1 << QStringLiteral("holds no table MT");
    QTest::newRow("unreadable file") << Setup::Unreadable << 1 << QStringLiteral("cannot be read");
    QTest::newRow("folder not writable") << Setup::FolderNotWritable << 1 << QStringLiteral("cannot write into the folder");
}

void tst_ImportLegacyCli::importLegacy()
{
    QFETCH(Setup, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), OpenFolder));
    const QString source = dir.filePath(QStringLiteral("old.mdb"));
    const QString target = dir.filePath(QStringLiteral("new.mdb"));
    QByteArray bytes = fileBytes(legacyFixture(setup == Setup::NotAccess ? QStringLiteral("MaskTest-text.csv")
                                                                         : QStringLiteral("MaskTest-text.mdb")));
    if (setup == Setup::NoTableMT)
        bytes = renamingTableMT(bytes);
    QVERIFY(!bytes.isEmpty());
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QVERIFY(QFile::setPermissions(source, setup == Setup::Unreadable ? QFile::ReadOwner | QFile::WriteOwner : ReadWriteAll));
    if (setup == Setup::ExistingTarget) {
        QFile existing(target);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("keep") == 4);
    }

    // Root may read and write anything: the permission cases run the program as nobody.
    QStringList command{QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--import-legacy"), source,
                        QStringLiteral("--database"), target};
    if ((setup == Setup::Unreadable || setup == Setup::FolderNotWritable) && geteuid() == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("Running as root without setpriv: no way to run the program as another user");
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups")} + command;
    }
    if (setup == Setup::FolderNotWritable)
        QVERIFY(QFile::setPermissions(dir.path(), OpenFolder & ~QFile::WriteOwner));

    QProcess vantor;
    vantor.start(command.takeFirst(), command);
    QVERIFY(vantor.waitForFinished(60000));
    QFile::setPermissions(dir.path(), OpenFolder);
    const QString printed = QString::fromUtf8(vantor.readAllStandardOutput() + vantor.readAllStandardError());
    QCOMPARE(vantor.exitCode(), exitCode);
    QVERIFY2(printed.contains(output), qPrintable(printed));
    QCOMPARE(fileBytes(source), bytes);
    if (exitCode == 0)
        QCOMPARE(readRows(target).size(), 300);
    else if (setup == Setup::ExistingTarget)
        QCOMPARE(fileBytes(target), QByteArray("keep"));
    else
        QVERIFY(!QFile::exists(target));
}

QTEST_GUILESS_MAIN(tst_ImportLegacyCli)
#include "tst_importlegacycli.moc"
