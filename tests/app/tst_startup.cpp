// Where the window finds its records, what it asks when they are missing, and how it copes
// with settings files it cannot use. Every folder is a temporary one named by the XDG variables.
#include "firstrun.h"
#include "markingtranslator.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "testdatabase.h"

#include <masktest.h>

#include <QApplication>
#include <QFile>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vantor;

namespace {

bool isPrivate(const QString& path)
{
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions mode = QFile::permissions(path);
    return (mode & others) == 0 && (mode & QFile::ReadOwner) && (mode & QFile::WriteOwner);
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    test::ScriptedDialogService m_dialogs;

    QString path(const QString& name) const { return m_home->filePath(name); }
    QString userFile() const { return settings::Paths::standard().userFile; }
    QString machineFile() const { return settings::Paths::standard().machineFiles.value(0); }
    QString dataFile() const { return QDir(settings::Paths::standard().dataDir).filePath(masktest::DatabaseFileName); }
    static void setLocation(const QString& file, const QString& location)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QSettings(file, QSettings::IniFormat).setValue(settings::LocationKey, location);
    }
    QString records(const QString& name) const
    {
        return test::createDatabase(m_home->path(), {test::row({{"ID", "A123"}})}, name);
    }
    // A regular file where a folder should be: unusable even for root, who runs CI.
    void blockWithFile(const QString& name) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // What main.cpp does for the window, from the settings on the disk.
    std::unique_ptr<frmMaskTesting> startWindow(const QString& option = {}, int* exitCode = nullptr,
                                                QString* failure = nullptr)
    {
        const settings::Paths paths = settings::Paths::standard();
        const LocationChoice choice = chooseLocation(settings::gatherSources(option, paths, path("program")));
        WindowStart start(m_dialogs, paths);
        std::unique_ptr<frmMaskTesting> window = start.open(choice);
        if (exitCode)
            *exitCode = start.exitCode();
        if (failure)
            *failure = start.failure();
        return window;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", path("xdg").toLocal8Bit());
        qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
        QDir().mkpath(path("program"));
        m_dialogs.clear();
    }
    void cleanup() { QVERIFY(m_dialogs.allAnswersUsed()); }

    // A machine pointed at a server: no file to ask about, and a server that is not there is
    // named in the start-up message.
    void machineSettingNamesAServer()
    {
        setLocation(machineFile(), QStringLiteral("postgresql://clerk@127.0.0.1:1/masktest?connect_timeout=5"));
        int exitCode = 0;
        QVERIFY(!startWindow({}, &exitCode));
        QCOMPARE(exitCode, 1);
        QVERIFY(m_dialogs.choices.isEmpty());
        QCOMPARE(m_dialogs.messages.size(), 1);
        const QString prompt = m_dialogs.messages.first().prompt;
        QVERIFY2(prompt.contains(u"\"masktest\"") && prompt.contains(u"127.0.0.1, port 1"), qPrintable(prompt));
        QVERIFY(!QFile::exists(userFile()));
    }

    // The first start: no setting, no records. The answer is remembered once the window is up.
    void firstRun_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QStringList>("files"); // the file dialogs' answers: "other" records, an "old" Access
                                                // file, a "text" file that is no records
        QTest::addColumn<QString>("opened"); // "data", "other", "old" or empty: the program ends
        QTest::addColumn<QStringList>("told"); // the titles of the messages shown on the way
        QTest::newRow("Enter creates") << QList<int>{} << QStringList{} << "data" << QStringList{};
        QTest::newRow("open existing") << QList<int>{OpenButton} << QStringList{"other"} << "other" << QStringList{};
        // An old file goes through the window's own conversion offer, answered Yes by default.
        QTest::newRow("open old Access file")
            << QList<int>{OpenButton} << QStringList{"old"} << "old" << QStringList{"Convert Records File"};
        QTest::newRow("open cancelled, then create")
            << QList<int>{OpenButton, CreateButton} << QStringList{""} << "data" << QStringList{};
        // A file that is no records is refused with its reason, and the question comes again.
        QTest::newRow("open a text file, then existing")
            << QList<int>{OpenButton, OpenButton} << QStringList{"text", "other"} << "other"
            << QStringList{"Records File"};
        QTest::newRow("open a text file, then quit")
            << QList<int>{OpenButton, QuitButton} << QStringList{"text"} << "" << QStringList{"Records File"};
        QTest::newRow("quit") << QList<int>{QuitButton} << QStringList{} << "" << QStringList{};
    }
    void firstRun()
    {
        QFETCH(QList<int>, choices);
        QFETCH(QStringList, files);
        QFETCH(QString, opened);
        const QMap<QString, QString> existing{{"data", dataFile()},
                                              {"other", records("other.mdb")},
                                              {"old", path("old.mdb")},
                                              {"text", path("notes.txt")}};
        QVERIFY(QFile::copy(qEnvironmentVariable("VANTOR_FIXTURES") + "/legacy/MaskTest-typed.mdb", path("old.mdb")));
        QFile text(path("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Battalion meeting at nine.\n") > 0);
        text.close();
        for (int choice : choices)
            m_dialogs.answerChoice(choice);
        for (const QString& file : files)
            m_dialogs.answerFile(existing.value(file));

        int exitCode = -1;
        const std::unique_ptr<frmMaskTesting> window = startWindow({}, &exitCode);
        QCOMPARE(window != nullptr, !opened.isEmpty());
        QCOMPARE(m_dialogs.choices.size(), qMax(qsizetype(1), choices.size()));
        const ChoiceBox& question = m_dialogs.choices.first();
        QVERIFY2(question.prompt.contains(dataFile()), qPrintable(question.prompt));
        QCOMPARE(question.buttons.value(question.defaultButton), QStringLiteral("&Create"));
        QCOMPARE(question.buttons.value(question.escapeButton), QStringLiteral("&Quit"));
        QStringList titles;
        for (const MessageBox& box : m_dialogs.messages)
            titles << box.title;
        QTEST(titles, "told");
        if (files.contains(u"text"))
            QVERIFY2(m_dialogs.messages.first().prompt.contains(path("notes.txt")),
                     qPrintable(m_dialogs.messages[0].prompt));

        const QString expected = existing.value(opened);
        QCOMPARE(settings::readLocation(userFile()).location, expected);
        QCOMPARE(QFile::exists(dataFile()), opened == "data");
        QCOMPARE(exitCode, 0); // quitting is the user's choice, not a failure
        if (window) {
            QCOMPARE(window->findChild<QLineEdit*>("txtFDID")->text().isEmpty(), opened == "data");
            QVERIFY(isPrivate(expected));
        }
    }

    // Enter in the real box, as the user presses it.
    void enterCreatesInRealBox()
    {
        WidgetDialogService dialogs;
        const settings::Paths paths = settings::Paths::standard();
        const LocationChoice choice = chooseLocation(settings::gatherSources({}, paths, path("program")));
        QString shown;
        QTimer::singleShot(0, [&shown] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            shown = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Return);
        });
        WindowStart start(dialogs, paths);
        const std::unique_ptr<frmMaskTesting> window = start.open(choice);
        QCOMPARE(shown, QStringLiteral("Records File"));
        QVERIFY(window);
        QVERIFY(QFile::exists(dataFile()));
    }

    // A records file that is not there and cannot be made: asked again, nothing left behind.
    void createFails_data()
    {
        QTest::addColumn<QString>("setting"); // the user's setting; empty: none, and the data folder is blocked
        QTest::newRow("data folder not writable") << QString();
        QTest::newRow("setting's drive gone") << "usb/MaskTest.mdb";
    }
    void createFails()
    {
        QFETCH(QString, setting);
        const QString folder = setting.isEmpty() ? QStringLiteral("blocker/Vantor") : QStringLiteral("usb");
        if (setting.isEmpty()) {
            blockWithFile("blocker");
            qputenv("XDG_DATA_HOME", path("blocker").toLocal8Bit());
        } else {
            setLocation(userFile(), path(setting));
        }
        m_dialogs.answerChoice(CreateButton);
        m_dialogs.answerChoice(QuitButton);

        int exitCode = -1;
        QVERIFY(!startWindow({}, &exitCode));
        QCOMPARE(exitCode, 0);
        QCOMPARE(m_dialogs.choices.size(), 2);
        const QString& prompt = m_dialogs.choices.first().prompt;
        QVERIFY2(prompt.contains(setting.isEmpty() ? dataFile() : path(setting)), qPrintable(prompt));
        QCOMPARE(prompt.contains(userFile()), !setting.isEmpty()); // where to mend a wrong setting
        QCOMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Critical);
        QVERIFY2(m_dialogs.messages.first().prompt.contains(path(folder)), qPrintable(m_dialogs.messages[0].prompt));
        QVERIFY(!QFileInfo::exists(path(folder)) || QDir(path(folder)).isEmpty());
        QCOMPARE(settings::readLocation(userFile()).location, setting.isEmpty() ? QString() : path(setting));
    }

    // Every text of a first start that goes wrong reaches the translator: only paths and the
    // reasons of the system are put into them.
    void firstStartIsTranslatable()
    {
        test::MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        const auto remove = qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
        QDir().mkpath(userFile()); // a settings file that cannot be read
        blockWithFile("blocker"); // a data folder that cannot be made
        qputenv("XDG_DATA_HOME", path("blocker").toLocal8Bit());
        m_dialogs.answerChoice(CreateButton);
        m_dialogs.answerChoice(OpenButton);
        m_dialogs.answerFile(QString());
        m_dialogs.answerChoice(QuitButton);

        QVERIFY(!startWindow());
        QStringList shown;
        for (const MessageBox& box : std::as_const(m_dialogs.messages))
            shown << box.prompt << box.title;
        for (const ChoiceBox& box : std::as_const(m_dialogs.choices))
            shown << box.prompt << box.title << box.buttons;
        for (const FileBox& box : std::as_const(m_dialogs.files))
            shown << box.title << box.filter;
        QCOMPARE(shown.size(), 2 * 2 + 3 * 5 + 2); // the two problems, the question thrice, the file dialog
        for (const QString& text : std::as_const(shown))
            QVERIFY2(test::unmarked(text).isEmpty(), qPrintable(text));
    }

    // A location the user typed for this run is taken at its word: no question, no new file,
    // and advice about the path given, on the standard error too.
    void missingOptionLocationFails()
    {
        int exitCode = -1;
        QString failure;
        QVERIFY(!startWindow(path("typo.mdb"), &exitCode, &failure));
        QCOMPARE(exitCode, 1);
        QVERIFY(m_dialogs.choices.isEmpty());
        QCOMPARE(m_dialogs.messages.size(), 1);
        const MessageBox& box = m_dialogs.messages.first();
        QCOMPARE(box.icon, MsgIcon::Critical);
        for (const QString& text : {box.prompt, failure}) {
            QVERIFY2(text.contains(path("typo.mdb")) && text.contains(u"--database")
                         && text.contains(QStringLiteral("--create-database \"%1\"").arg(path("typo.mdb"))),
                     qPrintable(text));
            QVERIFY2(!text.contains(u"program's folder"), qPrintable(text));
        }
        QVERIFY(!QFile::exists(path("typo.mdb")));
        QVERIFY(!QFile::exists(userFile()));
    }
    // No window is up yet: the box stands in the middle of the screen, not at its corner.
    // A start-up failure is told before the window shows: in the middle of the screen, not at
    // the top left where the hidden window lies.
    void startupFailureBoxIsCentred_data()
    {
        QTest::addColumn<QString>("contents"); // of the file the option names; null: no such file
        QTest::newRow("missing file") << QString();
        QTest::newRow("not a records file") << QStringLiteral("a letter, not records");
    }
    void startupFailureBoxIsCentred()
    {
        QFETCH(QString, contents);
        if (!contents.isNull()) {
            QFile file(path("typo.mdb"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents.toUtf8()) > 0);
        }
        WidgetDialogService dialogs;
        const settings::Paths paths = settings::Paths::standard();
        const LocationChoice choice = chooseLocation(settings::gatherSources(path("typo.mdb"), paths, path("program")));
        QPoint centre, screenCentre;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            centre = box->frameGeometry().center();
            screenCentre = box->screen()->availableGeometry().center();
            QTest::keyClick(box, Qt::Key_Return);
        });
        WindowStart start(dialogs, paths);
        QVERIFY(!start.open(choice));
        QVERIFY2((centre - screenCentre).manhattanLength() < 20,
                 qPrintable(QStringLiteral("box at %1,%2").arg(centre.x()).arg(centre.y())));
    }

    // The user's setting wins over the machine's, and only the settings files the rule looked at
    // on its way cost a message when they cannot be read.
    void ruleTakesTheFirstSettingThatNamesRecords_data()
    {
        QTest::addColumn<QStringList>(
            "sources"); // "option", "user", "machine": names records; "... broken": cannot be read
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("both settings") << QStringList{"user", "machine"} << "user" << QStringList{};
        QTest::newRow("user's broken") << QStringList{"user broken", "machine"} << "machine" << QStringList{"user"};
        QTest::newRow("machine's broken, not reached")
            << QStringList{"user", "machine broken"} << "user" << QStringList{};
        QTest::newRow("both broken") << QStringList{"user broken", "machine broken"} << "data"
                                     << QStringList{"user", "machine"};
        QTest::newRow("option over broken settings")
            << QStringList{"option", "user broken", "machine broken"} << "option" << QStringList{};
    }
    void ruleTakesTheFirstSettingThatNamesRecords()
    {
        QFETCH(QStringList, sources);
        QFETCH(QString, chosen);
        QFETCH(QStringList, problems);
        LocationSources given;
        given.dataDir = path("data");
        given.commandLine = sources.contains(u"option") ? path("option.mdb") : QString();
        for (const auto& [name, setting] : {std::pair{QStringLiteral("user"), &given.userSetting},
                                            std::pair{QStringLiteral("machine"), &given.machineSetting}}) {
            setting->file = path(name + QStringLiteral(".conf"));
            if (sources.contains(name))
                setting->location = path(name + QStringLiteral(".mdb"));
            else if (sources.contains(name + QStringLiteral(" broken")))
                setting->problem = name + QStringLiteral(" cannot be read");
        }
        const LocationChoice choice = chooseLocation(given);
        QCOMPARE(choice.location.filePath(),
                 chosen == u"data" ? path("data/MaskTest.mdb") : path(chosen + QStringLiteral(".mdb")));
        QStringList said;
        for (const QString& problem : choice.problems)
            said << problem.section(u' ', 0, 0);
        QCOMPARE(said, problems);
    }

    // A setting that names a server with a password, readable or not: refused, and the password
    // shown nowhere, whatever the form.
    void serverSettingNeverShowsItsPassword_data()
    {
        QTest::addColumn<QString>("location");
        QTest::newRow("IPv6 address not closed") << "postgresql://alice:S3cret-word@[::1:56780/masktest";
        QTest::newRow("key=value") << "host=127.0.0.1 dbname=masktest password=S3cret-word";
    }
    void serverSettingNeverShowsItsPassword()
    {
        QFETCH(QString, location);
        setLocation(userFile(), location);
        int exitCode = -1;
        QVERIFY(!startWindow({}, &exitCode));
        QCOMPARE(exitCode, 1);
        QVERIFY(m_dialogs.choices.isEmpty()); // no file to ask about
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY(!m_dialogs.messages.first().prompt.contains(u"S3cret-word"));
        QVERIFY(m_dialogs.messages.first().prompt.contains(u"on the server"));
    }

    // Settings files that cannot be read or written: one message, and the records still open.
    void settingsFaults_data()
    {
        QTest::addColumn<bool>("unreadable"); // the user's settings file is a folder
        QTest::addColumn<bool>("unwritable"); // the user's settings folder cannot be made
        QTest::addColumn<bool>("machine"); // the machine's setting names existing records
        QTest::newRow("unreadable, machine's records open") << true << false << true;
        QTest::newRow("unwritable, records created") << false << true << false;
        QTest::newRow("neither, still one message") << true << true << false;
    }
    void settingsFaults()
    {
        QFETCH(bool, unreadable);
        QFETCH(bool, unwritable);
        QFETCH(bool, machine);
        if (unreadable)
            QDir().mkpath(userFile());
        if (unwritable && !unreadable) {
            blockWithFile("blocker");
            qputenv("XDG_CONFIG_HOME", path("blocker/config").toLocal8Bit());
        }
        if (machine)
            setLocation(machineFile(), records("shared.mdb"));

        const std::unique_ptr<frmMaskTesting> window = startWindow();
        QVERIFY(window);
        QCOMPARE(m_dialogs.choices.size(), machine ? 0 : 1); // Enter: create
        QVERIFY(QFile::exists(machine ? path("shared.mdb") : dataFile()));
        QCOMPARE(m_dialogs.messages.size(), 1);
        QCOMPARE(m_dialogs.messages.first().icon, MsgIcon::Exclamation);
        QVERIFY2(m_dialogs.messages.first().prompt.contains(userFile()), qPrintable(m_dialogs.messages[0].prompt));
        QCOMPARE(window->findChild<QLineEdit*>("txtFDID")->text(), machine ? "A123" : "");
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
