// The records window on a server that goes away, comes back, wants a password or is not there.
#include "mainwindowfixture.h"

#include <masktest.h>
#include <serverlocation.h>

#include <QTemporaryDir>

using namespace vantor;
using namespace vantor::test;

class tst_ServerFaults : public QObject
{
    Q_OBJECT

    const QString clerk = QStringLiteral("station_%1").arg(QCoreApplication::applicationPid());
    const QString password = QStringLiteral("St4tion-%1").arg(QCoreApplication::applicationPid());

    // A database with MT and `rows` on `server`, its location as `user` sees it.
    static QString records(const TestServer& server, const QList<Row>& rows, const QString& user = {})
    {
        const QString name = server.newDatabase();
        const QString admin = server.uri(name);
        if (masktest::createDatabase(RecordsLocation::fromText(admin)))
            return {};
        for (const Row& r : rows) {
            if (!execute(
                    admin,
                    QStringLiteral(R"(INSERT INTO "MT" VALUES (DEFAULT, %1))").arg(QStringList(14, "?").join(u',')), r))
                return {};
        }
        return server.uri(name, user);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(testServer().createRole(clerk, password));
        qputenv("PGPASSFILE", "/nonexistent/pgpass"); // no password but the one typed
    }
    // Killed mid-session: the next operation reports it and keeps what was typed; once the
    // server is back, the one after finds it again and nothing acknowledged is lost.
    void windowCarriesOnAcrossARestart()
    {
        QTemporaryDir own;
        const std::unique_ptr<TestServer> server = TestServer::startPrivate(own.path());
        QVERIFY(server);
        MainWindowFixture f;
        Row baker = validRecord(QStringLiteral("B200"));
        baker[1] = QStringLiteral("BAKER");
        f.path = records(*server, {validRecord(QStringLiteral("A100")), baker});
        QVERIFY(f.load());
        QCOMPARE(f.box("txtFDID")->text(), "A100");

        QVERIFY(server->control(QStringLiteral("halt")));
        f.dialogs.answerInput(QStringLiteral("B200"));
        f.click("cmdSearch");
        QCOMPARE(f.titles(), QStringList{"FDID Search"});
        QVERIFY2(f.dialogs.messages.last().prompt.contains(u"(Error 3151)"),
                 qPrintable(f.dialogs.messages.last().prompt));
        QCOMPARE(f.box("txtFDID")->text(), "A100");
        f.click("cmdAdd");
        f.fill(validRecord());
        f.click("cmdSave");
        QCOMPARE(f.titles(), QStringList({"FDID Search", "Save"}));
        QCOMPARE(f.shown(), validRecord());

        QVERIFY(server->control(QStringLiteral("resume")));
        f.click("cmdSave");
        QCOMPARE(f.dialogs.messages.size(), 2);
        QCOMPARE(readRows(f.path).size(), 3);

        // Killed and back between two operations: the next one simply works.
        QVERIFY(server->control(QStringLiteral("halt")) && server->control(QStringLiteral("resume")));
        f.dialogs.answerInput(QStringLiteral("B200"));
        f.click("cmdSearch");
        f.click("cmdEdit");
        f.type("txtLname", "S");
        f.dialogs.answer(MsgResult::Yes);
        QVERIFY(server->control(QStringLiteral("halt")) && server->control(QStringLiteral("resume")));
        f.click("cmdUpdate");
        QCOMPARE(f.dialogs.messages.size(), 3); // the confirmation alone
        QCOMPARE(readRows(f.path).at(1).at(1).toString(), QStringLiteral("BAKERS"));
        QCOMPARE(readRows(f.path).at(2), validRecord(QStringLiteral("E500")));
    }
    void startupNamesTheServerAndWhatToCheck_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("check");
        QTest::newRow("not there") << "port"
                                   << "Check that the server is running";
        QTest::newRow("no such database") << "database"
                                          << "Check the database name";
        QTest::newRow("no table MT") << "table"
                                     << "vantor --create-database";
    }
    void startupNamesTheServerAndWhatToCheck()
    {
        QFETCH(QString, fault);
        const TestServer& server = testServer();
        QString name = fault == u"database" ? QStringLiteral("nosuchdb") : server.newDatabase();
        QString location = server.uri(name);
        if (fault == u"port")
            location.replace(QStringLiteral("port=") + server.port, QStringLiteral("port=1"));
        MainWindowFixture f;
        f.path = location;
        QVERIFY(!f.load());
        QCOMPARE(f.dialogs.messages.size(), 1);
        const QString prompt = f.dialogs.messages.first().prompt;
        QFETCH(QString, check);
        for (const QString& part :
             {name, fault == u"port" ? QStringLiteral("port 1") : QStringLiteral("port ") + server.port, check})
            QVERIFY2(prompt.contains(part), qPrintable(prompt + QStringLiteral(" lacks ") + part));
        QCOMPARE(f.dialogs.messages.first().icon, MsgIcon::Critical);
    }
    void passwordIsAskedUntilRightAndNeverShown_data()
    {
        QTest::addColumn<QStringList>("typed"); // "right" stands for the clerk's password
        QTest::addColumn<int>("number"); // of the start-up message; 0: the window opens
        QTest::newRow("right") << QStringList{"right"} << 0;
        QTest::newRow("wrong, then right") << QStringList{"wrong", "right"} << 0;
        QTest::newRow("wrong three times") << QStringList{"wrong", "wrong", "wrong"} << int(AuthenticationFailed);
        QTest::newRow("wrong, then cancelled") << QStringList{"wrong", ""} << int(AuthenticationFailed);
        QTest::newRow("cancelled") << QStringList{""} << int(PasswordRequired);
    }
    void passwordIsAskedUntilRightAndNeverShown()
    {
        QFETCH(QStringList, typed);
        QFETCH(int, number);
        MainWindowFixture f;
        f.path = records(testServer(), {row({{"ID", "A100"}})}, clerk);
        const QString name = server::parse(f.path).database;
        QVERIFY(testServer().execute(QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT" TO %1)").arg(clerk),
                                     name));
        for (const QString& answer : typed)
            f.dialogs.answerInput(answer == u"right" ? password : answer);
        QCOMPARE(f.load(), number == 0);
        QCOMPARE(f.dialogs.inputs.size(), typed.size());
        for (qsizetype i = 0; i < typed.size(); ++i) {
            QVERIFY(f.dialogs.inputs.at(i).masked);
            QCOMPARE(f.dialogs.inputs.at(i).prompt.startsWith(u"The server refused that password"), i > 0);
        }
        if (number == 0) {
            // Every later connection of the run takes the same password: no second question.
            f.dialogs.answerInput(QStringLiteral("A100"));
            f.click("cmdSearch");
            QCOMPARE(f.box("txtFDID")->text(), "A100");
            QCOMPARE(f.dialogs.inputs.size(), typed.size() + 1);
            QVERIFY(f.dialogs.messages.isEmpty());
            return;
        }
        QCOMPARE(f.dialogs.messages.size(), 1);
        const QString prompt = f.dialogs.messages.first().prompt;
        QVERIFY2(prompt.contains(QStringLiteral("(Error %1)").arg(number)) && prompt.contains(u".pgpass"),
                 qPrintable(prompt));
        QVERIFY(!prompt.contains(password));
        QCOMPARE(prompt.count(RecordsLocation::fromText(f.path).displayName()), 1);
    }
};

QTEST_MAIN(tst_ServerFaults)
#include "tst_serverfaults.moc"
