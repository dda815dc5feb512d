// A records file missing, empty, foreign, damaged, protected or on a full disk: one clear
// message naming the file, nothing overwritten, no crash.
#include "fulldisk.h"
#include "mainwindowfixture.h"

#include <connectionstring.h>
#include <masktest.h>
#include <recordset.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using namespace vantor;
using vantor::test::row;

namespace {

enum class Bad { Missing, Empty, Text, Access, OtherTable, FewColumns, Header, Damaged, ReadOnlyFile, ReadOnlyFolder };

QByteArray accessHeader()
{
    QByteArray bytes(4096, '\0');
    bytes.replace(0, 4, QByteArray("\x00\x01\x00\x00", 4));
    bytes.replace(4, 15, QByteArrayLiteral("Standard Jet DB"));
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Root ignores permission bits, so there a protected file is made immutable (chattr +i);
// the guard lifts the protection again so the folder can be removed.
struct Protection {
    QString path;
    bool root = ::geteuid() == 0;
    bool done = root
        ? QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0
        : QFile::setPermissions(path, QFileInfo(path).isDir() ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
    ~Protection()
    {
        if (done && root)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        else if (done)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

} // namespace

class tst_BadFiles : public QObject
{
    Q_OBJECT

private slots:
    void startupRefusesTheFileAndLeavesIt_data()
    {
        QTest::addColumn<Bad>("bad");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("advice");
        QTest::newRow("missing") << Bad::Missing << int(FileNotFound) << "Could not find file"
                                 << "--create-database";
        QTest::newRow("empty") << Bad::Empty << int(TableNotFound) << "is empty (0 bytes): it holds no table MT"
                               << "--create-database";
        QTest::newRow("text file") << Bad::Text << int(NotADatabase) << "not a database"
                                   << "backup";
        // A conversion is offered first, and accepted.
        QTest::newRow("Access, not convertible") << Bad::Access << int(CorruptDatabase) << "damaged or incomplete"
                                                 << "left as it was";
        QTest::newRow("no table MT") << Bad::OtherTable << int(TableNotFound) << "no table MT"
                                     << "backup";
        QTest::newRow("fields missing") << Bad::FewColumns << int(TableNotFound) << "lacks the fields Rank, Kelly"
                                        << "backup";
        QTest::newRow("damaged header") << Bad::Header << int(CorruptDatabase) << "damaged"
                                        << "backup";
        QTest::newRow("damaged pages") << Bad::Damaged << int(CorruptDatabase) << "damaged"
                                       << "backup";
        QTest::newRow("read-only file") << Bad::ReadOnlyFile << int(AccessDenied) << "read-only"
                                        << "permission";
        QTest::newRow("read-only folder") << Bad::ReadOnlyFolder << int(AccessDenied) << "read-only"
                                          << "permission";
    }

    void startupRefusesTheFileAndLeavesIt()
    {
        QFETCH(Bad, bad);
        QFETCH(QString, told);
        QFETCH(QString, advice);
        const bool offer = bad == Bad::Access;

        test::MainWindowFixture f;
        const QString path = QDir(f.dir.path()).filePath(QStringLiteral("MaskTest.mdb"));
        switch (bad) {
        case Bad::Missing: break;
        case Bad::Empty: QVERIFY(writeFile(path, QByteArray())); break;
        case Bad::Text: QVERIFY(writeFile(path, QByteArray("ID,Last,First\r\nA100,ALLEN,ADAM\r\n"))); break;
        case Bad::Access: QVERIFY(writeFile(path, accessHeader())); break;
        case Bad::Header: // SQLite refuses it at open
            QVERIFY(writeFile(path, QByteArray("SQLite format 3\0\x10\0\1\1\0@  ", 24).leftJustified(4096, '\xff')));
            break;
        case Bad::OtherTable:
            QVERIFY(test::execute(path, QStringLiteral("CREATE TABLE Members (ID TEXT, Last TEXT)")));
            break;
        case Bad::FewColumns:
            QVERIFY(test::execute(path, QStringLiteral("CREATE TABLE MT (ID TEXT, Last TEXT, First TEXT, Init TEXT)")));
            break;
        case Bad::Damaged: {
            // A whole file whose table pages were overwritten: the schema still reads, the records don't.
            QList<test::Row> rows;
            for (int i = 0; i < 200; ++i)
                rows << row(
                    {{"ID", QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0'))}, {"Last", QString(300, u'X')}});
            test::createDatabase(f.dir.path(), rows);
            QByteArray bytes = test::fileBytes(path);
            QVERIFY(bytes.size() > 16 * 4096);
            bytes.replace(4096, 8 * 4096, QByteArray(8 * 4096, '\x5a'));
            QVERIFY(writeFile(path, bytes));
            break;
        }
        case Bad::ReadOnlyFile:
        case Bad::ReadOnlyFolder: test::createDatabase(f.dir.path(), {row({{"ID", "A100"}})}); break;
        }
        const QByteArray bytesBefore = test::fileBytes(path);
        const QStringList filesBefore = QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden);

        std::optional<Protection> protection;
        if (bad == Bad::ReadOnlyFile || bad == Bad::ReadOnlyFolder) {
            protection.emplace(bad == Bad::ReadOnlyFile ? path : f.dir.path());
            if (!protection->done)
                QSKIP("Cannot protect a file here: running as root without a working chattr +i.");
        }

        if (offer)
            f.dialogs.answer(MsgResult::Yes);
        QVERIFY(!f.load());
        QCOMPARE(f.dialogs.messages.size(), offer ? 2 : 1);
        const MessageBox& box = f.dialogs.messages.constLast();
        QCOMPARE(box.icon, MsgIcon::Critical);
        QFETCH(int, number);
        QVERIFY2(box.prompt.contains(path) && box.prompt.contains(told) && box.prompt.contains(advice)
                     && box.prompt.contains(QStringLiteral("(Error %1)").arg(number)),
                 qPrintable(box.prompt));
        f.window.reset();

        protection.reset();
        QCOMPARE(QFile::exists(path), bad != Bad::Missing);
        QCOMPARE(test::fileBytes(path), bytesBefore);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
    }

    void fullDiskRefusesTheWriteAndKeepsTheFile_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::newRow("new record") << true;
        QTest::newRow("changed record") << false;
    }

    void fullDiskRefusesTheWriteAndKeepsTheFile()
    {
        QFETCH(bool, adding);
        QTemporaryDir dir;
        const QString path = test::createDatabase(
            dir.path(), {row({{"ID", "A100"}, {"Last", "ALLEN"}}), row({{"ID", "B200"}, {"Last", "BROWN"}})});
        const QByteArray before = test::fileBytes(path);

        RecordSet rs;
        {
            // The file may not grow by a single page (SQLite never sets a limit below the pages
            // a file has): the disk is full.
            const test::ScopedFullDisk fullDisk;
            const StoreError opened
                = rs.open(QStringLiteral("SELECT * FROM MT ORDER BY ID ASC"), jetConnectionString(path));
            QVERIFY2(!opened, qPrintable(opened.description));
        }

        if (adding)
            QVERIFY(!rs.addNew());
        for (const QString& field : masktest::fieldNames())
            QVERIFY(!rs.setValue(field, QString(3000, u'W')));
        const StoreError error = rs.update();
        QCOMPARE(error.number, qint32(DiskFull));
        QVERIFY2(error.description.contains(QLatin1String("full")), qPrintable(error.description));
        QCOMPARE(test::fileBytes(path), before);

        // What still fits is still written.
        rs.cancelUpdate();
        QVERIFY(!rs.moveFirst());
        QVERIFY(!rs.setValue(QStringLiteral("Last"), QStringLiteral("ALLAN")));
        QVERIFY(!rs.update());
        QCOMPARE(test::readRows(path).constFirst().at(1).toString(), QStringLiteral("ALLAN"));
    }
};

QTEST_MAIN(tst_BadFiles)
#include "tst_badfiles.moc"
