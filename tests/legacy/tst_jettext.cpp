#include <jettext.h>

#include <QTest>

using vantor::legacy::decodeJet4Text;

class tst_JetText : public QObject
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
        const std::optional<QString> decoded = decodeJet4Text(QByteArray::fromHex(hex));
        QCOMPARE(decoded.has_value(), decodes);
        if (decoded)
            QCOMPARE(*decoded, text);
    }
};

QTEST_GUILESS_MAIN(tst_JetText)
#include "tst_jettext.moc"
