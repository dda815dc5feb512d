// What a user sees of the two windows' layout: every control in its place without hiding
// another, every caption readable, and the keyboard reaching every control as drawn.
#include "mainwindowfixture.h"

#include <frmquery.h>

#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>

using namespace vantor;

namespace {

QList<QWidget*> controls(QWidget* window)
{
    QList<QWidget*> all;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Inner parts of composite controls (a grid's viewport, a list's scroll bars) are Qt's to place.
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_") && !w->isWindow()
            && w->isVisibleTo(window))
            all << w;
    }
    return all;
}

} // namespace

class tst_MainLayout : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<test::MainWindowFixture>();
        QVERIFY(f->start({test::row({{"ID", "A100"}, {"Last", "ALLEN"}})}));
    }
    void cleanup()
    {
        if (f->query())
            f->query()->close();
        f.reset();
    }

    void controlsInsideTheirFramesWithoutOverlap_data()
    {
        QTest::addColumn<bool>("query");
        QTest::newRow("records window") << false;
        QTest::newRow("query window") << true;
    }
    void controlsInsideTheirFramesWithoutOverlap()
    {
        QFETCH(bool, query);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        const QList<QWidget*> all = controls(window);
        QVERIFY(all.size() >= 10);
        for (QWidget* w : all) {
            // A frame's contents lie below its caption, inside its border.
            QVERIFY2(w->parentWidget()->contentsRect().contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* other : all) {
                if (other == w || other->parentWidget() != w->parentWidget())
                    continue;
                // Frames drawn edge to edge share their one-pixel border line.
                const QRect shared = w->geometry().intersected(other->geometry());
                const bool borderLine = qobject_cast<QGroupBox*>(w) && qobject_cast<QGroupBox*>(other)
                    && std::min(shared.width(), shared.height()) <= 1;
                QVERIFY2(shared.isEmpty() || borderLine, qPrintable(w->objectName() + u' ' + other->objectName()));
            }
        }
    }

    void everyCaptionFitsItsControl_data() { controlsInsideTheirFramesWithoutOverlap_data(); }
    void everyCaptionFitsItsControl()
    {
        QFETCH(bool, query);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        int measured = 0;
        for (QWidget* w : controls(window)) {
            const QString name = w->objectName();
            if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
                const QRect needed = label->fontMetrics().boundingRect(
                    label->contentsRect(), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                    label->text());
                QVERIFY2(label->contentsRect().contains(needed),
                         qPrintable(name + QStringLiteral(" needs %1 x %2").arg(needed.width()).arg(needed.height())));
            } else if (auto* frame = qobject_cast<QGroupBox*>(w); frame && !frame->title().isEmpty()) {
                QVERIFY2(frame->minimumSizeHint().width() <= frame->width(), qPrintable(name));
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(name));
            } else {
                continue;
            }
            ++measured;
        }
        // Twenty labels and frame captions and nine buttons; the query window's four labels and two buttons.
        QCOMPARE(measured, query ? 6 : 29);
    }

    void tabRunsThroughBoxesThenButtons()
    {
        const QStringList order{"txtMonthTested", "txtDayTested", "txtYearTested", "txtTorF",       "txtAssignTo",
                                "txtFDID",        "txtRank",      "txtKday",       "txtLname",      "txtFname",
                                "txtMid",         "txtBatt",      "txtUnit",       "txtAssign",     "cmdDelete",
                                "cmdCancel",      "cmdSearch",    "cmdAdd",        "cmdSave",       "cmdEdit",
                                "cmdUpdate",      "cmdQuery",     "cmdExit",       "txtMonthTested"};
        for (QPushButton* b : f->window->findChildren<QPushButton*>())
            b->setEnabled(true); // a disabled button is skipped
        f->box("txtMonthTested")->setFocus();
        QStringList visited{QApplication::focusWidget()->objectName()};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }

    void accessKeysClickTheirEnabledButton_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("tooltip");
        const auto rows = [](bool query, std::initializer_list<std::tuple<const char*, Qt::Key, const char*>> keys) {
            for (const auto& [name, key, tooltip] : keys)
                QTest::newRow(name) << query << int(key) << QString::fromUtf8(tooltip);
        };
        rows(false,
             {{"cmdSearch", Qt::Key_S, "Click to look up personnel by FDID"},
              {"cmdAdd", Qt::Key_A, "Click to add a new record"},
              {"cmdSave", Qt::Key_V, "Click to save a new record"},
              {"cmdEdit", Qt::Key_E, "Click to make changes to a record"},
              {"cmdUpdate", Qt::Key_U, "Click to save changes made to a record"},
              {"cmdQuery", Qt::Key_Q, "Click to open a query"},
              {"cmdDelete", Qt::Key_D, "Click to erase a record"},
              {"cmdExit", Qt::Key_X, "Click to close the program"}});
        rows(true,
             {{"cmdPrint", Qt::Key_S, "Click to send info to Excel"},
              {"cmdReturn", Qt::Key_C, "Click to return to main form"}});
    }
    void accessKeysClickTheirEnabledButton()
    {
        QFETCH(bool, query);
        QFETCH(int, key);
        QWidget* window = query ? static_cast<QWidget*>(f->openQuery()) : f->window.get();
        QVERIFY(window);
        auto* target = window->findChild<QPushButton*>(QString::fromLatin1(QTest::currentDataTag()));
        QTEST(target->toolTip(), "tooltip");
        for (int answer = 0; answer < 4; ++answer)
            f->dialogs.answer(MsgResult::No);
        QList<std::pair<QPushButton*, std::shared_ptr<QSignalSpy>>> presses;
        for (QPushButton* b : window->findChildren<QPushButton*>())
            presses.append({b, std::make_shared<QSignalSpy>(b, &QPushButton::pressed)});

        // Disabled, its key reaches no button; enabled, it reaches this one alone.
        target->setEnabled(false);
        QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
        for (const auto& [b, spy] : presses)
            QVERIFY2(spy->isEmpty(), qPrintable(b->objectName()));
        target->setEnabled(true);
        QSignalSpy clicks(target, &QPushButton::clicked);
        QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
        for (const auto& [b, spy] : presses)
            QCOMPARE(spy->size(), b == target ? 1 : 0);
        QTRY_COMPARE(clicks.size(), 1);
    }

private:
    std::unique_ptr<test::MainWindowFixture> f;
};

QTEST_MAIN(tst_MainLayout)
#include "tst_mainlayout.moc"
