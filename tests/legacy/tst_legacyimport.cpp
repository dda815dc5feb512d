#include "legacycsv.h"

#include <connection.h>
#include <legacyimport.h>
#include <querysql.h>
#include <recordset.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace vantor;
using namespace vantor::test;

namespace {
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
};

QTEST_GUILESS_MAIN(tst_LegacyImport)
#include "tst_legacyimport.moc"
