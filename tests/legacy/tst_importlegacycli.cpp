#include "legacycsv.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace vantor::test;

namespace {
enum class Setup { Fixture, ExistingTarget, NotAccess, NoTableMT, Unreadable, FolderNotWritable };
constexpr auto OpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
    | QFile::ReadOther | QFile::ExeOther;
} // namespace

class tst_ImportLegacyCli : public QObject
{
    Q_OBJECT

private slots:
    void importLegacy_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("converts") << Setup::Fixture << 0 << "Converted 300 records";
        QTest::newRow("existing target") << Setup::ExistingTarget << 1 << "already exists";
        QTest::newRow("not an Access file") << Setup::NotAccess << 1 << "not a Microsoft Access (Jet) file";
        QTest::newRow("no table MT") << Setup::NoTableMT << 1 << "holds no table MT";
        QTest::newRow("unreadable file") << Setup::Unreadable << 1 << "cannot be read";
        QTest::newRow("folder not writable") << Setup::FolderNotWritable << 1 << "cannot write into the folder";
    }
    void importLegacy()
    {
        QFETCH(Setup, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), OpenFolder));
        const QString source = dir.filePath(QStringLiteral("old.mdb")),
                      target = dir.filePath(QStringLiteral("new.mdb"));
        QByteArray bytes = fileBytes(legacyFixture(setup == Setup::NotAccess ? QStringLiteral("MaskTest-text.csv")
                                                                             : QStringLiteral("MaskTest-text.mdb")));
        if (setup == Setup::NoTableMT)
            bytes = renamingTableMT(bytes);
        QFile file(source);
        QVERIFY(!bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const auto readable
            = setup == Setup::Unreadable ? QFileDevice::Permissions() : QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | readable));
        QFile existing(target);
        if (setup == Setup::ExistingTarget)
            QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("keep") == 4);
        existing.close();

        // Root may read and write anything: the permission cases run the program as nobody.
        QStringList command{QStringLiteral(VANTOR_EXECUTABLE), QStringLiteral("--import-legacy"), source,
                            QStringLiteral("--database"), target};
        if ((setup == Setup::Unreadable || setup == Setup::FolderNotWritable) && geteuid() == 0) {
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("Running as root without setpriv: no way to run the program as another user");
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
        }
        if (setup == Setup::FolderNotWritable)
            QVERIFY(QFile::setPermissions(dir.path(), OpenFolder & ~QFile::WriteOwner));
        const auto [code, printed] = run(command);
        QFile::setPermissions(dir.path(), OpenFolder);
        QCOMPARE(code, exitCode);
        QVERIFY2(printed.contains(output), qPrintable(printed));
        QCOMPARE(fileBytes(source), bytes);
        if (exitCode == 0)
            QCOMPARE(readRows(target).size(), 300);
        else
            QCOMPARE(fileBytes(target), setup == Setup::ExistingTarget ? QByteArray("keep") : QByteArray());
        QCOMPARE(QFile::exists(target), exitCode == 0 || setup == Setup::ExistingTarget);
    }
};

QTEST_GUILESS_MAIN(tst_ImportLegacyCli)
#include "tst_importlegacycli.moc"
