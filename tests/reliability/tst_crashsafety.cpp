// A program killed at any moment loses nothing it has acknowledged, and leaves a sound file.
#include "crashscript.h"
#include "testdatabase.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>

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
    const QString name = QUuid::createUuid().toString();
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

Model readModel(const QString& path, QString* duplicate)
{
    Model model;
    for (const test::Row& row : test::readRows(path)) {
        const QString id = row.at(0).toString();
        if (model.contains(id))
            *duplicate = id;
        model.insert(id, row);
    }
    return model;
}

// The indexes of the "ack N" lines, which must run 0, 1, 2, ... without a gap.
int acknowledged(const QByteArray& output, bool* inOrder)
{
    static const QRegularExpression ack(QStringLiteral("^ack (\\d+)$"), QRegularExpression::MultilineOption);
    int count = 0;
    *inOrder = true;
    for (const QRegularExpressionMatch& m : ack.globalMatch(QString::fromLatin1(output))) {
        if (m.captured(1).toInt() != count)
            *inOrder = false;
        ++count;
    }
    return count;
}

} // namespace

void tst_CrashSafety::acknowledgedWritesSurviveSigkill()
{
    // VANTOR_CRASH_SEED repeats a run; the kill moments follow the seed, though where in a
    // write each kill lands depends on the machine's speed.
    const quint64 seed = qEnvironmentVariableIsSet("VANTOR_CRASH_SEED")
        ? qEnvironmentVariable("VANTOR_CRASH_SEED").toULongLong() : 20261205;
    constexpr int Trials = 200;
    QTemporaryDir dir;
    const QString path = test::createDatabase(dir.path(), {});
    QRandomGenerator timing{quint32(seed)};
    Model model;
    int writesAcknowledged = 0, inFlightLanded = 0, journalsLeft = 0, killedWhileOpening = 0;

    for (int trial = 0; trial < Trials; ++trial) {
        const quint64 runSeed = seed * 1000 + quint64(trial);
        const QString context = QStringLiteral("seed %1, trial %2").arg(seed).arg(trial);
        QProcess writer;
        writer.start(QStringLiteral(OTHERPROGRAM), {QStringLiteral("write"), path, QString::number(runSeed)});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        // One kill in ten lands while the writer opens the file (and rolls back a journal
        // left by the last one); the rest while it writes.
        const bool whileOpening = timing.bounded(10) == 0;
        QByteArray output;
        if (!whileOpening) {
            while (!output.contains("ready\n") && writer.state() == QProcess::Running) {
                writer.waitForReadyRead(10000);
                output += writer.readAllStandardOutput();
            }
        }
        QThread::usleep(timing.bounded(whileOpening ? 30000 : 100000));
        writer.kill();
        writer.waitForFinished();
        output += writer.readAllStandardOutput();
        // Killed by us, not ended by a failure or a crash of its own (an abort is a crash too).
        const QByteArray complaints = writer.readAllStandardError();
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit && writer.exitCode() == SIGKILL && complaints.isEmpty(),
                 qPrintable(context + QStringLiteral(": the writer ended by itself (%1): ").arg(writer.exitCode())
                           + complaints));
        if (!output.contains("ready\n"))
            ++killedWhileOpening;
        if (QFile::exists(path + QStringLiteral("-journal")))
            ++journalsLeft;

        bool inOrder = false;
        const int acks = acknowledged(output, &inOrder);
        QVERIFY2(inOrder, qPrintable(context));
        writesAcknowledged += acks;

        const QString integrity = integrityCheck(path);
        QVERIFY2(integrity == QLatin1String("ok"), qPrintable(context + QStringLiteral(": ") + integrity));
        QString duplicate;
        const Model actual = readModel(path, &duplicate);
        QVERIFY2(duplicate.isEmpty(), qPrintable(context + QStringLiteral(": twice ") + duplicate));

        // Every acknowledged write is there; the one in flight, if any, wholly or not at all.
        Model expected = model;
        for (int index = 0; index < acks; ++index)
            apply(makeOp(runSeed, index, expected), expected);
        if (actual != expected) {
            Model landed = expected;
            apply(makeOp(runSeed, acks, expected), landed);
            QVERIFY2(actual == landed, qPrintable(context + QStringLiteral(": ") + difference(expected, actual)));
            ++inFlightLanded;
        }
        model = actual;
    }
    qInfo("%d kills (%d while opening), %d acknowledged writes, all present; %d unacknowledged writes "
          "found complete; %d journals left by a kill and rolled back; %lld records at the end",
          Trials, killedWhileOpening, writesAcknowledged, inFlightLanded, journalsLeft, qlonglong(model.size()));
    // Some kills came between writes, and some in the middle of one.
    QVERIFY(writesAcknowledged > 0 && journalsLeft > 0);
}

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
