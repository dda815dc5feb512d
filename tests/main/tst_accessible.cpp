// What a screen reader is told of both windows and of every box the program shows: each control
// that takes the focus has a name of its own, and every picture says what it shows.
#include "mainwindowfixture.h"

#include <frmquery.h>

#include <QAccessible>
#include <QTimer>

using namespace vantor;

namespace {

// What the reader finds under `root`'s interface that would leave its user guessing: a control
// that takes the focus without a name, two that share one, a picture without a name.
QStringList unnamed(QWidget* root)
{
    QStringList faults;
    QMap<QString, QString> names; // name -> the control's object name
    QList<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(root)};
    while (!pending.isEmpty()) {
        QAccessibleInterface* iface = pending.takeFirst();
        for (int i = 0; i < iface->childCount(); ++i)
            pending << iface->child(i);
        // Items of a list or cells of a grid are named by what they hold.
        auto* widget = qobject_cast<QWidget*>(iface->object());
        if (!widget || !widget->isVisibleTo(root))
            continue;
        const QString name = iface->text(QAccessible::Name).trimmed();
        const QString who = widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                           : widget->objectName();
        if (iface->role() == QAccessible::Graphic && name.isEmpty())
            faults << QStringLiteral("picture %1 has no name").arg(who);
        if (!iface->state().focusable)
            continue;
        if (name.isEmpty())
            faults << QStringLiteral("%1 has no name").arg(who);
        else if (names.contains(name))
            faults << QStringLiteral("%1 and %2 are both \"%3\"").arg(names.value(name), who, name);
        names.insert(name, who);
    }
    return faults;
}

} // namespace

class tst_Accessible : public QObject
{
    Q_OBJECT

private slots:
    void windowsNameEveryControl_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("records window") << false;
        QTest::newRow("query window") << true;
    }
    void windowsNameEveryControl()
    {
        QFETCH(bool, query);
        test::MainWindowFixture f;
        QVERIFY(f.start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
        QWidget* window = query ? static_cast<QWidget*>(f.openQuery()) : f.window.get();
        QVERIFY(window);
        const QStringList faults = unnamed(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
    // The boxes themselves, as the program shows them: each is looked at while it is open, then closed.
    void boxesNameEveryControl_data()
    {
        QTest::addColumn<QString>("box");
        for (const char* box : {"message", "choice", "password"})
            QTest::newRow(box) << QString::fromLatin1(box);
    }
    void boxesNameEveryControl()
    {
        QFETCH(QString, box);
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QStringList faults{QStringLiteral("the box did not open")};
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            QWidget* open = QApplication::activeModalWidget();
            if (!open)
                return;
            look.stop();
            faults = unnamed(open);
            open->close();
        });
        look.start(20);
        WidgetDialogService dialogs;
        if (box == u"message")
            dialogs.message(&owner, yesNoBox(QStringLiteral("Are you sure you want to quit?"), QStringLiteral("Exit")));
        else if (box == u"choice")
            dialogs.choose(&owner,
                           ChoiceBox{QStringLiteral("No records file is there."),
                                     {},
                                     MsgIcon::Question,
                                     {QStringLiteral("&Create"), QStringLiteral("&Open..."), QStringLiteral("&Quit")}});
        else
            dialogs.input(&owner, InputBox{QStringLiteral("Password:"), QStringLiteral("Server Password"), {}, true});
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_MAIN(tst_Accessible)
#include "tst_accessible.moc"
