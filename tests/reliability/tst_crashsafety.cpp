// A program killed at any moment loses nothing it has acknowledged, and leaves a sound file.
#include "crashscript.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace vantor;
using namespace vantor::test::crash;

class tst_CrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void acknowledgedWritesSurviveSigkill();
};

namespace {

QString integrityCheck(const QString& path)
{
    QSqlQuery query = test::RawConnection(path).query(QStringLiteral("PRAGMA integrity_check"));
    return query.next() ? query.value(0).toString() : QString();
}

} // namespace

void tst_CrashSafety::acknowledgedWritesSurviveSigkill()
{
    // VANTOR_CRASH_SEED repeats the kill moments; where in a write each lands depends on the machine.
    const quint64 seed = qEnvironmentVariableIsSet("VANTOR_CRASH_SEED")
        ? qEnvironmentVariable("VANTOR_CRASH_SEED").toULongLong()
        : 20261205;
    constexpr int Trials = 200;
    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), {});
    QRandomGenerator timing{quint32(seed)};
    static const QRegularExpression ack(QStringLiteral("^ack (\\d+)$"), QRegularExpression::MultilineOption);
    Model model;
    int writesAcknowledged = 0, inFlightLanded = 0, journalsLeft = 0;

    for (int trial = 0; trial < Trials; ++trial) {
        const quint64 runSeed = seed * 1000 + quint64(trial);
        const QString context = QStringLiteral("seed %1, trial %2: ").arg(seed).arg(trial);
        QProcess writer;
        writer.start(QStringLiteral(OTHERPROGRAM), {QStringLiteral("write"), path, QString::number(runSeed)});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        // One kill in ten lands while the writer opens the file (rolling back the last one's journal).
        const bool whileOpening = timing.bounded(10) == 0;
        QByteArray output;
        while (!whileOpening && !output.contains("ready\n") && writer.state() == QProcess::Running) {
            writer.waitForReadyRead(10000);
            output += writer.readAllStandardOutput();
        }
        QThread::usleep(timing.bounded(whileOpening ? 30000 : 100000));
        writer.kill();
        writer.waitForFinished();
        output += writer.readAllStandardOutput();
        const QByteArray complaints = writer.readAllStandardError();
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit && writer.exitCode() == SIGKILL && complaints.isEmpty(),
                 qPrintable(context + QStringLiteral("the writer ended by itself (%1): ").arg(writer.exitCode())
                            + complaints));
        journalsLeft += QFile::exists(path + QStringLiteral("-journal"));

        int acks = 0; // "ack N" lines run 0, 1, 2, ... without a gap
        for (const QRegularExpressionMatch& m : ack.globalMatch(QString::fromLatin1(output)))
            QVERIFY2(m.captured(1).toInt() == acks++, qPrintable(context));
        writesAcknowledged += acks;

        const QString integrity = integrityCheck(path);
        QVERIFY2(integrity == QLatin1String("ok"), qPrintable(context + integrity));
        Model actual;
        for (const test::Row& row : test::readRows(path)) {
            QVERIFY2(!actual.contains(row.at(0).toString()), qPrintable(context + row.at(0).toString()));
            actual.insert(row.at(0).toString(), row);
        }
        // Every acknowledged write is there; the one in flight, if any, wholly or not at all.
        Model expected = model;
        for (int index = 0; index < acks; ++index)
            apply(makeOp(runSeed, index, expected), expected);
        if (actual != expected) {
            apply(makeOp(runSeed, acks, expected), expected);
            QVERIFY2(actual == expected,
                     qPrintable(context
                                + QStringLiteral("%1 records, expected %2").arg(actual.size()).arg(expected.size())));
            ++inFlightLanded;
        }
        model = actual;
    }
    qInfo("%d kills, %d acknowledged writes, all present; %d unacknowledged found complete; %d journals rolled back",
          Trials, writesAcknowledged, inFlightLanded, journalsLeft);
    QVERIFY(writesAcknowledged > 0 && journalsLeft > 0); // kills came both between writes and within one
}

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
