#include "legacycsv.h"
#include "mainwindowfixture.h"

#include <legacyimport.h>
#include <masktest.h>

#include <QFile>

#include <algorithm>

using namespace vantor;
using namespace vantor::test;

class tst_LegacyStartup : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(tst_LegacyStartup)
#include "tst_legacystartup.moc"
