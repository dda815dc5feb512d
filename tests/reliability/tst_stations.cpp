// Two stations, two processes, editing the same members at once: every write either stored
// or refused as a conflict, none lost.
#include "testdatabase.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

class tst_Stations : public QObject
{
    Q_OBJECT

private slots:
    void interleavedEditsLoseNoUpdate()
    {
        const QStringList ids{"A100", "B200", "C300", "D400", "E500", "F600"};
        QList<Row> rows;
        for (const QString& id : ids)
            rows << row({{"ID", id}, {"Day", "0"}});
        QTemporaryDir dir;
        const QString location = createDatabase(dir.path(), rows);
        constexpr int Edits = 200;

        QProcess stations[2];
        for (int s = 0; s < 2; ++s) {
            stations[s].start(
                QStringLiteral(OTHERPROGRAM),
                QStringList{QStringLiteral("station"), location, QString::number(s + 7), QString::number(Edits)} + ids);
            QVERIFY(stations[s].waitForReadyRead(30000));
            QCOMPARE(stations[s].readLine().trimmed(), QByteArray("ready"));
        }
        for (QProcess& station : stations)
            station.write("go\n");
        for (QProcess& station : stations)
            QVERIFY(station.waitForBytesWritten(10000));

        QMap<QString, int> stored;
        int conflicts = 0;
        static const QRegularExpression pair(QStringLiteral(R"((\S+)=(\d+))"));
        for (QProcess& station : stations) {
            QVERIFY(station.waitForFinished(300000));
            const QString out = QString::fromUtf8(station.readAllStandardOutput());
            QVERIFY2(station.exitCode() == 0 && out.startsWith(u"stored"),
                     qPrintable(out + QString::fromUtf8(station.readAllStandardError())));
            for (const QRegularExpressionMatch& m : pair.globalMatch(out)) {
                if (m.captured(1) == u"conflicts")
                    conflicts += m.captured(2).toInt();
                else
                    stored[m.captured(1)] += m.captured(2).toInt();
            }
        }
        // Each stored addition is in the count: a lost one would leave it short.
        int total = 0;
        for (const Row& r : readRows(location)) {
            QCOMPARE(r.at(10).toString().toInt(), stored.value(r.at(0).toString()));
            total += r.at(10).toString().toInt();
        }
        QCOMPARE(total + conflicts, 2 * Edits);
        QVERIFY2(conflicts > 0, "the stations never wrote over each other's reads");
    }
};

QTEST_GUILESS_MAIN(tst_Stations)
#include "tst_stations.moc"
