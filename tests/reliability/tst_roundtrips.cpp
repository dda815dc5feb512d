// How often each action of the windows waits for the server: every wait costs a round trip,
// 10 to 40 ms for a station across a city. The windows run on a real server, reached through
// the relay that counts the turns; each action is driven as a clerk drives it, on a window
// that is already open.
#include "mainwindowfixture.h"
#include "netproxy.h"

#include <connection.h>
#include <frmfittests.h>
#include <frmquery.h>
#include <masktest.h>

#include <QFile>
#include <QListWidget>
#include <QTableView>

using namespace vantor;
using namespace vantor::test;

namespace {

const QString Clerk = QStringLiteral("distant_clerk");
const QString Password = QStringLiteral("Far-Away-71");

template<typename T>
T* activeWindow()
{
    T* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&found] {
            found = qobject_cast<T*>(QApplication::activeWindow());
            return found != nullptr;
        },
        5000);
    return shown ? found : nullptr;
}

// What a window shows is read when it is painted: painted now, as the screen would.
void paint(QWidget* window)
{
    QCoreApplication::processEvents();
    window->grab();
}

} // namespace

class tst_RoundTrips : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<NetProxy> m_proxy;
    std::unique_ptr<MainWindowFixture> f;
    qint64 m_dial = 0; // the round trips of making one connection

    // A database of `members` members of 1 Unit, none tested this year, reached as the clerk
    // through the relay.
    QString records(int members)
    {
        const QString name = testServer().newDatabase();
        const QString admin = testServer().uri(name);
        if (masktest::createDatabase(RecordsLocation::fromText(admin)))
            return {};
        testServer().execute(QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last", "Unit", "Batt", "Assign")
            SELECT 'A' || lpad(n::text, 3, '0'), 'MEMBER' || n, '1', '1', 'E' || n FROM generate_series(1, %1) n)")
                                 .arg(members),
                             name);
        testServer().execute(QStringLiteral(R"(GRANT SELECT, INSERT, UPDATE, DELETE ON "MT", "FitTest",
            "FitTestRecording", "VantorSchema" TO %1)")
                                 .arg(Clerk),
                             name);
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(Clerk).arg(m_proxy->port()).arg(name);
    }

    QTableView* grid(QWidget* query) const { return query->findChild<QTableView*>(QStringLiteral("dgPersonnel")); }

private slots:
    void initTestCase()
    {
        QVERIFY(testServer().createRole(Clerk, Password));
        m_proxy = std::make_unique<NetProxy>(quint16(testServer().port.toUInt()));
        QVERIFY(m_proxy->start());
        // The clerk's password in the clerk's own password file, as a station keeps it.
        QFile pgpass(m_home.filePath(QStringLiteral("pgpass")));
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        pgpass.write(QStringLiteral("*:*:*:%1:%2\n").arg(Clerk, Password).toUtf8());
        pgpass.close();
        QVERIFY(pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));

        // One connection made past the windows: what a connection costs, apart from any action.
        const QString location = records(0);
        m_proxy->reset();
        Connection connection;
        QVERIFY(!connection.open(RecordsLocation::fromText(location).connectionString()));
        m_dial = m_proxy->turns();
        QVERIFY(m_dial > 0);
        qInfo("A connection costs %lld round trips", m_dial);
    }
    void init() { f = std::make_unique<MainWindowFixture>(); }
    void cleanup() { f.reset(); }

    // The records window's start-up: one connection, and few round trips beside it.
    void startUpConnectsOnceAndWaitsLittle_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("records window") << "frmMaskTesting";
        QTest::newRow("Fit Tests window") << "frmFitTests";
    }
    void startUpConnectsOnceAndWaitsLittle()
    {
        QFETCH(QString, window);
        f->path = records(100);
        QVERIFY(!f->path.isEmpty());
        if (window == u"frmFitTests") {
            QVERIFY(f->load());
            m_proxy->reset();
            QTest::keyClick(f->window->windowHandle(), Qt::Key_T, Qt::ControlModifier);
            auto* tests = activeWindow<frmFitTests>();
            QVERIFY(tests);
            paint(tests);
        } else {
            m_proxy->reset();
            QVERIFY(f->load());
            paint(f->window.get());
        }
        const qint64 connections = m_proxy->connections();
        const qint64 waits = m_proxy->turns() - connections * m_dial;
        qInfo("%s: %lld connection(s), %lld round trip(s) beside them", qPrintable(window), connections, waits);
        QVERIFY2(connections <= 1, qPrintable(QString::number(connections)));
        QVERIFY2(waits <= 3, qPrintable(QString::number(waits)));
    }

    // Every action of a window already open: at most two round trips, and no new connection.
    void actionsWaitAtMostTwice_data()
    {
        QTest::addColumn<QString>("action");
        for (const char* action : {"Search", "Save", "Update", "Delete", "next page"})
            QTest::newRow(action) << action;
        for (int entry = 0; entry < 5; ++entry)
            QTest::newRow(qPrintable(QStringLiteral("list %1").arg(entry))) << QStringLiteral("list %1").arg(entry);
    }
    void actionsWaitAtMostTwice()
    {
        QFETCH(QString, action);
        f->path = records(100);
        QVERIFY(!f->path.isEmpty());
        QVERIFY(f->load());
        frmQuery* query = nullptr;
        if (action.startsWith(u"list") || action == u"next page") {
            query = f->openQuery();
            QVERIFY(query);
            // The window is warm once it has shown two lists: each list opens its connection
            // while the one before still holds the list shown, and from then on they take turns.
            const int entry = action.startsWith(u"list") ? action.back().digitValue() : 0;
            for (int warm : {(entry + 1) % 5, (entry + 2) % 5}) {
                clickEntry(query, warm);
                paint(query);
            }
        }

        m_proxy->reset();
        qint64 waits = 0;
        if (action == u"Search") {
            f->dialogs.answerInput(QStringLiteral("A050"));
            f->click("cmdSearch");
            QCOMPARE(f->box("txtFDID")->text(), QStringLiteral("A050"));
        } else if (action == u"Save") {
            f->click("cmdAdd");
            f->fill(validRecord());
            f->click("cmdSave");
            QVERIFY(f->box("txtFDID")->isReadOnly());
        } else if (action == u"Update") {
            f->click("cmdEdit");
            f->fill(validRecord(QStringLiteral("A001")));
            f->type("txtLname", "X");
            f->dialogs.answer(MsgResult::Yes);
            f->click("cmdUpdate");
            QVERIFY(f->box("txtFDID")->isReadOnly());
        } else if (action == u"Delete") {
            // The records of the whole table, from the first: Delete shows the one that follows.
            f->dialogs.answerInput(QString());
            f->click("cmdSearch");
            m_proxy->reset();
            f->dialogs.answer(MsgResult::Yes);
            f->click("cmdDelete");
            QCOMPARE(f->box("txtFDID")->text(), QStringLiteral("A002"));
        } else if (action == u"next page") {
            clickEntry(query, 0);
            paint(query);
            QTableView* view = grid(query);
            view->setFocus(Qt::OtherFocusReason);
            // Page after page, until the grid shows rows the first read did not bring.
            while (view->rowAt(0) < 40) {
                m_proxy->reset();
                QTest::keyClick(view, Qt::Key_PageDown);
                paint(query);
                QVERIFY2(m_proxy->turns() <= 2, qPrintable(QString::number(m_proxy->turns())));
                waits += m_proxy->turns();
            }
            QVERIFY(waits >= 1);
        } else {
            clickEntry(query, action.back().digitValue());
            paint(query);
            QVERIFY(!countText(query).isEmpty());
        }
        if (action != u"next page")
            waits = m_proxy->turns();
        qInfo("%s: %lld round trip(s) beside %lld new connection(s)", qPrintable(action),
              waits - m_proxy->connections() * m_dial, m_proxy->connections());
        QVERIFY2(f->dialogs.messages.size() <= (action == u"Update" || action == u"Delete" ? 1 : 0),
                 qPrintable(f->dialogs.messages.value(0).prompt));
        QCOMPARE(m_proxy->connections(), qint64(0));
        if (action != u"next page")
            QVERIFY2(waits <= 2, qPrintable(QString::number(waits)));
    }
};

QTEST_MAIN(tst_RoundTrips)
#include "tst_roundtrips.moc"
