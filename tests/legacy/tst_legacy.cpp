// Records files of the old Access program: their text, their conversion, the offer at start-up
// and the command that converts them.
#include "mainwindowfixture.h"

#include <connection.h>
#include <jettext.h>
#include <legacyimport.h>
#include <masktest.h>
#include <querysql.h>
#include <recordset.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>

#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

namespace {

// The path of a file among the Access fixtures.
QString legacyFixture(const QString& name)
{
    return QDir(qEnvironmentVariable("VANTOR_FIXTURES")).filePath(QStringLiteral("legacy/") + name);
}

// The rows of a fixture's .csv, header left out: an unquoted \N is a null, a quoted value
// is text ("" inside quotes stands for one quote).
QList<Row> readCsv(const QString& path)
{
    QString text = QString::fromUtf8(fileBytes(path));
    if (!text.endsWith(u'\n'))
        text += u'\n';
    QList<Row> rows;
    Row row;
    QString field;
    bool quoted = false, inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'"' && inQuotes && i + 1 < text.size() && text.at(i + 1) == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
            quoted = true;
        } else if (inQuotes || (c != u',' && c != u'\n' && c != u'\r')) {
            field += c;
        } else if (c != u'\r') {
            row << (!quoted && field == u"\\N" ? QVariant() : QVariant(field));
            field.clear();
            quoted = false;
            if (c == u'\n')
                rows << std::exchange(row, {});
        }
    }
    return rows.mid(1);
}

// Rows as readable text, null and empty told apart: A001|\N|""|...
QStringList render(const QList<Row>& rows)
{
    QStringList out;
    for (const Row& row : rows) {
        QStringList texts;
        for (const QVariant& value : row)
            texts << (value.isValid() ? u'"' + value.toString() + u'"' : QStringLiteral("\\N"));
        out << texts.join(u'|');
    }
    return out;
}

// A fixture's bytes with table MT renamed XT in the file's catalog (which keeps the name in
// UTF-16 after a zero field); empty if the name is not found exactly once.
QByteArray renamingTableMT(QByteArray fixture)
{
    const QByteArray name = QByteArrayLiteral("\0\0\0\0M\0T\0");
    return fixture.count(name) == 1 ? fixture.replace(name, QByteArrayLiteral("\0\0\0\0X\0T\0")) : QByteArray();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A Jet 4 file whose first memo row that continues on another LVAL row is made to continue
// on itself; empty if there is none.
QByteArray withLoopingMemoChain(QByteArray file)
{
    constexpr qsizetype Page = 4096;
    const auto isLongValuePage = [&](qsizetype page) {
        return page < file.size() / Page && file[page * Page] == 1 && file.mid(page * Page + 4, 4) == "LVAL";
    };
    for (qsizetype page = 0; page < file.size() / Page; ++page) {
        char* at = file.data() + page * Page;
        for (int row = 0; isLongValuePage(page) && row < qFromLittleEndian<quint16>(at + 12); ++row) {
            char* start = at + (qFromLittleEndian<quint16>(at + 14 + 2 * row) & 0x1fff);
            if (isLongValuePage(qFromLittleEndian<quint32>(start) >> 8)) {
                qToLittleEndian<quint32>(quint32(page << 8 | row), start);
                return file;
            }
        }
    }
    return {};
}
enum class Setup { Fixture, ExistingTarget, NotAccess, NoTableMT, Unreadable, FolderNotWritable };
constexpr auto OpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
    | QFile::ReadOther | QFile::ExeOther;
} // namespace

class tst_Legacy : public QObject
{
    Q_OBJECT

private slots:
    // Bytes as Access stores them (hex); FFFE starts the compressed form, in which 00 switches
    // between one byte and two bytes per character.
    void decodesExactlyOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << true << QString();
        QTest::newRow("Greek") << QByteArray("a3039103") << true << QStringLiteral("\u03A3\u0391");
        QTest::newRow("emoji as a surrogate pair")
            << QByteArray("41003cd889df") << true << QStringLiteral("A\U0001F389");
        QTest::newRow("compressed") << QByteArray("fffe416e6e") << true << QStringLiteral("Ann");
        QTest::newRow("compressed, nothing after the mark") << QByteArray("fffe") << true << QString();
        QTest::newRow("compressed, to two bytes and back")
            << QByteArray("fffe41003cd889df0042") << true << QStringLiteral("A\U0001F389B");
        QTest::newRow("compressed, ending in two bytes")
            << QByteArray("fffe41004e6d") << true << QStringLiteral("A\u6D4E");
        QTest::newRow("an odd byte over") << QByteArray("410042") << false << QString();
        QTest::newRow("compressed, an odd byte over in two bytes") << QByteArray("fffe41004e") << false << QString();
        QTest::newRow("first half of a pair at the end") << QByteArray("41003cd8") << false << QString();
        QTest::newRow("first half of a pair before a letter") << QByteArray("3cd84100") << false << QString();
        QTest::newRow("second half of a pair alone") << QByteArray("89df4100") << false << QString();
        QTest::newRow("halves of a pair swapped") << QByteArray("89df3cd8") << false << QString();
        QTest::newRow("compressed, half a pair") << QByteArray("fffe003cd80041") << false << QString();
    }
    void decodesExactlyOrNotAtAll()
    {
        QFETCH(QByteArray, hex);
        QFETCH(bool, decodes);
        QFETCH(QString, text);
        const std::optional<QString> decoded = legacy::decodeJet4Text(QByteArray::fromHex(hex));
        QCOMPARE(decoded.has_value(), decodes);
        if (decoded)
            QCOMPARE(*decoded, text);
    }
    void convertsEveryValueOfEveryRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("all text") << QStringLiteral("MaskTest-text");
        QTest::newRow("typed, with a second table") << QStringLiteral("MaskTest-typed");
        QTest::newRow("compressed Unicode, emoji, long memos") << QStringLiteral("MaskTest-unicode");
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
            // Compared as the old store did: without regard to case, the year as the number it holds.
            static const QRegularExpression number(QStringLiteral("^ *([0-9]+) *$"));
            const QRegularExpressionMatch year = number.match(row.at(11).toString());
            const bool thisYear = year.hasMatch() && year.captured(1).toLongLong() == storeYear().toLongLong();
            if (row.at(12).toString().compare(u"T", Qt::CaseInsensitive) == 0 && !thisYear)
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
        QTest::addColumn<QByteArray>("bytes"); // of the Access file
        QTest::addColumn<QString>("target"); // empty: convert in place
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("named"); // in the description
        const QByteArray text = fileBytes(legacyFixture(QStringLiteral("MaskTest-text.mdb")));
        QTest::newRow("cut off in a page") << text.first(70000) << QString() << qint32(CorruptDatabase) << "";
        QTest::newRow("cut off in the catalog") << text.first(6 * 4096) << QString() << qint32(CorruptDatabase) << "";
        QTest::newRow("cut off in the records") << text.first(33 * 4096) << QString() << qint32(CorruptDatabase) << "";
        QTest::newRow("target folder missing")
            << text << QStringLiteral("no such folder/new.mdb") << qint32(FileNotFound) << "";
        QTest::newRow("earlier original kept") << text << QString() << qint32(FileExists) << "";
        // One "Smith " followed by U+1F600 whose second half was lost: "Smith \uD83DA".
        QByteArray unicode = fileBytes(legacyFixture(QStringLiteral("MaskTest-unicode.mdb")));
        const QByteArray stored = QStringEncoder(QStringEncoder::Utf16LE).encode(QStringLiteral("Smith \U0001F600"));
        const qsizetype at = unicode.indexOf(stored);
        QVERIFY(at >= 0);
        unicode.replace(at + stored.size() - 2, 2, QByteArrayLiteral("A\0"));
        QTest::newRow("a surrogate without its partner")
            << unicode << QString() << qint32(CorruptDatabase) << "field Last";
        const QByteArray looping
            = withLoopingMemoChain(fileBytes(legacyFixture(QStringLiteral("MaskTest-unicode.mdb"))));
        QVERIFY(!looping.isEmpty());
        QTest::newRow("a memo chain leading back into itself")
            << looping << QString() << qint32(CorruptDatabase) << "field AssignTo";
    }
    void failedConversionLeavesTheOriginal()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, target);
        QFETCH(qint32, number);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("MaskTest.mdb"));
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
        QVERIFY2(error.description.contains(named), qPrintable(error.description));
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(entries(dir.path()), before);
        if (number == FileExists)
            QCOMPARE(fileBytes(legacy::originalCopyPath(path)), QByteArray("earlier"));
    }
    void asksBeforeConverting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("yes");
        QTest::newRow("all text, Yes") << QStringLiteral("MaskTest-text") << true;
        QTest::newRow("typed, Yes") << QStringLiteral("MaskTest-typed") << true;
        QTest::newRow("No") << QStringLiteral("MaskTest-text") << false;
    }
    void asksBeforeConverting()
    {
        QFETCH(QString, name);
        QFETCH(bool, yes);
        const QByteArray original = fileBytes(legacyFixture(name + QStringLiteral(".mdb")));
        MainWindowFixture f;
        const QString path = f.dir.filePath(masktest::DatabaseFileName);
        const QString copy = legacy::originalCopyPath(path);
        QVERIFY(QFile::copy(legacyFixture(name + QStringLiteral(".mdb")), path));
        f.dialogs.answer(yes ? MsgResult::Yes : MsgResult::No);
        QCOMPARE(f.load(), yes);
        QCOMPARE(f.dialogs.messages.size(), 1);
        const MessageBox& box = f.dialogs.messages.first();
        QCOMPARE(box.buttons, MsgButtons::YesNo);
        QCOMPARE(box.icon, MsgIcon::Question);
        QVERIFY2(box.prompt.contains(path) && box.prompt.contains(copy), qPrintable(box.prompt));
        if (!yes) {
            QCOMPARE(fileBytes(path), original);
            QVERIFY(!QFile::exists(copy));
            return;
        }
        QCOMPARE(fileBytes(copy), original);
        // The window starts on the lowest FDID of the converted rows.
        QList<Row> csv = readCsv(legacyFixture(name + QStringLiteral(".csv")));
        std::stable_sort(csv.begin(), csv.end(),
                         [](const Row& a, const Row& b) { return a.at(0).toString() < b.at(0).toString(); });
        Row first;
        for (const QVariant& v : csv.first())
            first << v.toString();
        QCOMPARE(f.shown(), first);
    }
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

QTEST_MAIN(tst_Legacy)
#include "tst_legacy.moc"
