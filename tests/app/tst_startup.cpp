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
    std::unique_ptr<frmMaskTesting> startWindow(const QString& option = {}, int* exitCode = nullptr)
    {
        QStringList problems;
        const settings::Paths paths = settings::Paths::standard();
        const LocationChoice choice = chooseLocation(settings::gatherSources(option, paths, path("program"), problems));
        WindowStart start(m_dialogs, paths);
        start.setSettingsProblems(problems);
        std::unique_ptr<frmMaskTesting> window = start.open(choice);
        if (exitCode)
            *exitCode = start.exitCode();
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
        QTest::addColumn<QStringList>("files"); // the file dialogs' answers: "other" records, an "old" Access file
        QTest::addColumn<QString>("opened"); // "data", "other", "old" or empty: the program ends
        QTest::newRow("Enter creates") << QList<int>{} << QStringList{} << "data";
        QTest::newRow("open existing") << QList<int>{OpenButton} << QStringList{"other"} << "other";
        QTest::newRow("open old Access file") << QList<int>{OpenButton} << QStringList{"old"} << "old";
        QTest::newRow("open cancelled, then create")
            << QList<int>{OpenButton, CreateButton} << QStringList{""} << "data";
        QTest::newRow("quit") << QList<int>{QuitButton} << QStringList{} << "";
    }
    void firstRun()
    {
        QFETCH(QList<int>, choices);
        QFETCH(QStringList, files);
        QFETCH(QString, opened);
        const QMap<QString, QString> existing{
            {"data", dataFile()}, {"other", records("other.mdb")}, {"old", path("old.mdb")}};
        QVERIFY(QFile::copy(qEnvironmentVariable("VANTOR_FIXTURES") + "/legacy/MaskTest-typed.mdb", path("old.mdb")));
        for (int choice : choices)
            m_dialogs.answerChoice(choice);
        for (const QString& file : files)
            m_dialogs.answerFile(existing.value(file));

        int exitCode = -1;
        const std::unique_ptr<frmMaskTesting> window = startWindow({}, &exitCode);
        QCOMPARE(window != nullptr, !opened.isEmpty());
        QVERIFY(!m_dialogs.choices.isEmpty());
        const ChoiceBox& question = m_dialogs.choices.first();
        QVERIFY2(question.prompt.contains(dataFile()), qPrintable(question.prompt));
        QCOMPARE(question.buttons.value(question.defaultButton), QStringLiteral("&Create"));
        QCOMPARE(question.buttons.value(question.escapeButton), QStringLiteral("&Quit"));
        // An old file goes through the window's own conversion offer, answered Yes by default.
        QStringList titles;
        for (const MessageBox& box : m_dialogs.messages)
            titles << box.title;
        QCOMPARE(titles, opened == "old" ? QStringList{"Convert Records File"} : QStringList());

        const QString expected = existing.value(opened);
        QCOMPARE(settings::readLocation(userFile()).location, expected);
        QCOMPARE(QFile::exists(dataFile()), opened == "data");
        if (window) {
            QCOMPARE(exitCode, 0);
            QCOMPARE(window->findChild<QLineEdit*>("txtFDID")->text().isEmpty(), opened == "data");
            QVERIFY(isPrivate(expected));
        } else {
            QCOMPARE(exitCode, 0); // quitting is the user's choice, not a failure
        }
    }

    // Enter in the real box, as the user presses it.
    void enterCreatesInRealBox()
    {
        WidgetDialogService dialogs;
        const settings::Paths paths = settings::Paths::standard();
        QStringList problems;
        const LocationChoice choice = chooseLocation(settings::gatherSources({}, paths, path("program"), problems));
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

    // A location the user typed for this run is taken at its word: no question, no new file.
    void missingOptionLocationFails()
    {
        int exitCode = -1;
        QVERIFY(!startWindow(path("typo.mdb"), &exitCode));
        QCOMPARE(exitCode, 1);
        QVERIFY(m_dialogs.choices.isEmpty());
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY(m_dialogs.messages.first().prompt.contains(path("typo.mdb")));
        QVERIFY(!QFile::exists(path("typo.mdb")));
        QVERIFY(!QFile::exists(userFile()));
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
