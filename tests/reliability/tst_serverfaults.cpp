// The records window on a server that goes away, comes back, wants a password or is not there.
#include "mainwindowfixture.h"

#include <masktest.h>
#include <serverlocation.h>
#include <serverwait.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

using namespace vantor;
using namespace vantor::test;

class tst_ServerFaults : public QObject
{
    Q_OBJECT

    static constexpr int Seconds = 3; // the timeout the tests of a stopped server set
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
    // The program's wait window, while it shows.
    static QWidget* waitWindow()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == u"frmServerWait" && window->isVisible())
                return window;
        }
        return nullptr;
    }
    // Runs the program as a scheduled job would, with `config` as its settings folder; its exit
    // status, what it printed and how long it took.
    static std::tuple<int, QString, qint64> runVantor(const QStringList& arguments, const QString& config)
    {
        QProcess vantor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        vantor.setProcessEnvironment(environment);
        QElapsedTimer took;
        took.start();
        vantor.start(QStringLiteral(VANTOR_EXECUTABLE), arguments);
        // The test's timers go on meanwhile.
        while (!vantor.waitForFinished(50)) {
            if (took.hasExpired(120000))
                return {-1, QStringLiteral("still running after two minutes"), took.elapsed()};
            QCoreApplication::processEvents();
        }
        return {vantor.exitCode(), QString::fromUtf8(vantor.readAllStandardOutput() + vantor.readAllStandardError()),
                took.elapsed()};
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
    // The server's processes stopped (SIGSTOP), as a network that drops without a reset looks:
    // the window keeps painting, shows after about a second that it waits for the server, with
    // a way to stop waiting, and takes no other action meanwhile. The action ends with the
    // server fault in its usual message, what was typed still in the boxes, and the next one
    // connects again.
    void windowWaitsForAServerThatStoppedAnswering_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("userStops"); // clicks Stop waiting; otherwise the time runs out
        QTest::addColumn<QString>("title"); // of the action's message
        QTest::newRow("Save, unanswered") << "cmdSave" << false << "Save";
        QTest::newRow("Update, the user stops waiting") << "cmdUpdate" << true << "Error at procedure <Update Error>";
        QTest::newRow("Search, unanswered") << "cmdSearch" << false << "FDID Search";
    }
    void windowWaitsForAServerThatStoppedAnswering()
    {
        QFETCH(QString, action);
        QFETCH(bool, userStops);
        QTemporaryDir own;
        const std::unique_ptr<TestServer> server = TestServer::startPrivate(own.path());
        QVERIFY(server);
        MainWindowFixture f;
        f.path = records(*server, {validRecord(QStringLiteral("A100")), validRecord(QStringLiteral("B200"))});
        QVERIFY(f.load());
        setServerTimeout(Seconds);
        const auto restore = qScopeGuard([] { setServerTimeout(DefaultServerTimeout); });
        if (action == u"cmdSave") {
            f.click("cmdAdd");
            f.fill(validRecord());
        } else if (action == u"cmdUpdate") {
            f.click("cmdEdit");
            f.type("txtLname", "S");
            f.dialogs.answer(MsgResult::Yes);
        } else {
            f.dialogs.answerInput(QStringLiteral("B200"));
        }
        const Row typed = f.shown();
        const qsizetype asked = f.dialogs.messages.size() + f.dialogs.inputs.size();

        // Looked at every 50 ms, as a user would: a repaint asked for, the wait window, and a
        // second click on the same button, at the platform's level, while it shows.
        int paints = 0;
        QString waiting;
        bool modal = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            f.window->update();
            QWidget* window = waitWindow();
            if (!window || !waiting.isEmpty())
                return;
            waiting = window->findChild<QLabel*>(QStringLiteral("lblWaiting"))->text();
            modal = QApplication::activeModalWidget() == window;
            QPushButton* again = f.button(qPrintable(action));
            QTest::mouseClick(f.window->windowHandle(), Qt::LeftButton, {},
                              again->mapTo(f.window.get(), again->rect().center()));
            if (userStops)
                QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdStopWaiting")), Qt::LeftButton);
        });
        struct PaintCounter : QObject {
            int* paints;
            bool eventFilter(QObject*, QEvent* event) override
            {
                *paints += event->type() == QEvent::Paint;
                return false;
            }
        } painted;
        painted.paints = &paints;
        f.window->installEventFilter(&painted);
        QVERIFY(server->control(QStringLiteral("freeze")));
        const auto thawed = qScopeGuard([&server] { server->control(QStringLiteral("thaw")); });
        look.start(50);
        QElapsedTimer took;
        took.start();
        f.click(qPrintable(action));
        const qint64 elapsed = took.elapsed();
        look.stop();
        f.window->removeEventFilter(&painted);
        QVERIFY(server->control(QStringLiteral("thaw")));

        QVERIFY2(paints > 0, "the window was not painted while it waited");
        const QString name = RecordsLocation::fromText(f.path).displayName();
        QVERIFY2(waiting.contains(u"Waiting for the server") && waiting.contains(name), qPrintable(waiting));
        QVERIFY(modal);
        QVERIFY(!waitWindow());
        QVERIFY2(userStops || (elapsed >= Seconds * 1000 && elapsed < Seconds * 1000 + 30000),
                 qPrintable(QString::number(elapsed)));
        // The action's own boxes (its question, then its message): the second click started nothing.
        QCOMPARE(f.dialogs.messages.size() + f.dialogs.inputs.size(), asked + (action == u"cmdSave" ? 1 : 2));
        QFETCH(QString, title);
        QCOMPARE(f.titles().constLast(), title);
        const QString said = userStops ? QStringLiteral("You stopped waiting")
                                       : QStringLiteral("did not answer within %1 seconds").arg(Seconds);
        const QString prompt = f.dialogs.messages.constLast().prompt;
        for (const QString& part : {QStringLiteral("3151"), said, name})
            QVERIFY2(prompt.contains(part), qPrintable(prompt));
        QCOMPARE(f.shown(), typed);

        // The server answers again: the same action goes through, on a new connection, once.
        const QList<Row> before = readRows(f.path);
        QCOMPARE(before.size(), 2);
        if (action == u"cmdUpdate")
            f.dialogs.answer(MsgResult::Yes);
        else if (action == u"cmdSearch")
            f.dialogs.answerInput(QStringLiteral("B200"));
        const qsizetype shown = f.dialogs.messages.size();
        f.click(qPrintable(action));
        QCOMPARE(f.dialogs.messages.size(), shown + (action == u"cmdUpdate" ? 1 : 0)); // the confirmation
        const QList<Row> after = readRows(f.path);
        if (action == u"cmdSave")
            QCOMPARE(after, before + QList<Row>{typed});
        else if (action == u"cmdUpdate")
            QCOMPARE(after.at(0).at(1), typed.at(1));
        else
            QCOMPARE(f.box("txtFDID")->text(), "B200");
    }
    // Without a window, a command is bounded by the same setting and ends with the server fault
    // on its standard error and a failing status; it shows no statement and no Qt warning, also
    // when the server is killed in the middle of a copy.
    void commandsEndOnAServerThatStopsAnswering_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("said");
        QTest::newRow("report, unanswered") << "report"
                                            << "did not answer within 3 seconds";
        QTest::newRow("copy, unanswered") << "copy"
                                          << "did not answer within 3 seconds";
        QTest::newRow("copy, the server killed meanwhile") << "copy, killed"
                                                           << "connection to the server was lost";
    }
    void commandsEndOnAServerThatStopsAnswering()
    {
        QFETCH(QString, command);
        QTemporaryDir own;
        const std::unique_ptr<TestServer> server = TestServer::startPrivate(own.path());
        QVERIFY(server);
        // A copy goes only into records without a history: the report's have one of their own.
        const bool copy = command.startsWith(u"copy");
        const QString location
            = records(*server, copy ? QList<Row>{} : QList<Row>{validRecord(QStringLiteral("A100"))});
        const bool killed = command.endsWith(u"killed");
        QVERIFY(QDir(own.path()).mkpath(QStringLiteral("config/Vantor")));
        QFile settings(own.filePath(QStringLiteral("config/Vantor/Vantor.conf")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(QStringLiteral("[server]\ntimeout=%1\n").arg(killed ? 60 : Seconds).toUtf8());
        settings.close();

        QStringList arguments{"--report",   "1",     "--output", own.filePath(QStringLiteral("list.xlsx")),
                              "--database", location};
        if (copy) {
            const QString file = own.filePath(QStringLiteral("department.mdb"));
            QVERIFY(!masktest::createDatabase(RecordsLocation::file(file), 50));
            QVERIFY(execute(file, QStringLiteral(R"(INSERT INTO "MT" ("ID") VALUES ('Z999'))")));
            arguments = QStringList{"--copy-records", file, "--database", location};
        }
        if (killed) {
            // The copy stalls at its last record, inside its transaction, until the server goes.
            QVERIFY(execute(location,
                            QStringLiteral("CREATE FUNCTION stall() RETURNS trigger LANGUAGE plpgsql AS "
                                           "$$BEGIN PERFORM pg_sleep(60); RETURN NEW; END$$")));
            QVERIFY(execute(location,
                            QStringLiteral(R"(CREATE TRIGGER stall BEFORE INSERT ON "MT" FOR EACH ROW )"
                                           R"(WHEN (NEW."ID" = 'Z999') EXECUTE FUNCTION stall())")));
        } else {
            QVERIFY(server->control(QStringLiteral("freeze")));
        }
        const auto thawed = qScopeGuard([&server, killed] {
            if (!killed)
                server->control(QStringLiteral("thaw"));
        });
        std::tuple<int, QString, qint64> outcome;
        QTimer halt;
        if (killed) {
            QObject::connect(&halt, &QTimer::timeout, [&] {
                QList<QVariantList> stalled;
                execute(server->uri(QStringLiteral("postgres")),
                        QStringLiteral("SELECT 1 FROM pg_stat_activity WHERE wait_event = 'PgSleep'"), {}, &stalled);
                if (!stalled.isEmpty() && server->control(QStringLiteral("halt")))
                    halt.stop();
            });
            halt.start(100);
        }
        outcome = runVantor(arguments, own.filePath(QStringLiteral("config")));
        const auto& [status, output, elapsed] = outcome;
        QVERIFY2(status == 1, qPrintable(output));
        QFETCH(QString, said);
        for (const QString& part : {said, RecordsLocation::fromText(location).displayName()})
            QVERIFY2(output.contains(part), qPrintable(output));
        for (const char* never : {"SELECT", "INSERT", "QSql", "QPSQL", "Database not open"})
            QVERIFY2(!output.contains(QLatin1String(never)), qPrintable(output));
        QVERIFY2(killed || elapsed < Seconds * 1000 + 30000, qPrintable(QString::number(elapsed)));
        if (killed) {
            QVERIFY(server->control(QStringLiteral("resume")));
            QVERIFY(readRows(location).isEmpty()); // the copy is all or nothing
        }
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
        QTest::newRow("SSL asked for, none offered") << "ssl"
                                                     << "turn SSL on";
    }
    void startupNamesTheServerAndWhatToCheck()
    {
        QFETCH(QString, fault);
        const TestServer& server = testServer();
        QString name = fault == u"database" ? QStringLiteral("nosuchdb") : server.newDatabase();
        QString location = server.uri(name);
        if (fault == u"port")
            location.replace(QStringLiteral("port=") + server.port, QStringLiteral("port=1"));
        if (fault == u"ssl")
            location = server.uri(name, clerk) + QStringLiteral("?sslmode=require");
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
