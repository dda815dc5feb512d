// The way from the records window to the fit-test windows: a menu bar above the form, which
// leaves every control of the form where it was drawn, relative to the area below the bar.
#include "frmmasktesting.h"

#include "appearance.h"

#include <frmfittests.h>
#include <frmfittestsdue.h>

#include <QEvent>
#include <QMenuBar>
#include <QProxyStyle>

namespace vantor {

namespace {

// The fit-test windows are there where the query window is: not while a record is being
// entered or changed, when the boxes hold what the clerk typed.
class FollowsButton final : public QObject
{
public:
    FollowsButton(QPushButton* button, QList<QAction*> actions)
        : QObject(button)
        , m_actions(std::move(actions))
    {
        button->installEventFilter(this);
        follow(button);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            follow(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void follow(const QWidget* button)
    {
        for (QAction* action : std::as_const(m_actions))
            action->setEnabled(button->isEnabled());
    }
    QList<QAction*> m_actions;
};

// Alt pressed and let go alone keeps the keyboard where it was, as on the form without a bar:
// the next key goes into the box, not to the bar's menus. Alt with F still opens the menu.
class NoAltNavigation final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void frmMaskTesting::addFitTestsMenu()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("mnuMain"));
    auto* style = new NoAltNavigation;
    style->setParent(bar);
    bar->setStyle(style);
    bar->setAccessibleName(tr("Menu bar"));
    bar->setFont(appearance::controlFont());
    // F is no access key of the form's: Alt+F opens the menu, and types nothing, as before.
    QMenu* menu = bar->addMenu(tr("&Fit Tests"));
    menu->setObjectName(QStringLiteral("mnuFitTests"));
    QAction* tests = menu->addAction(tr("&Member's Fit Tests..."));
    connect(tests, &QAction::triggered, this, &frmMaskTesting::mnuFitTests_Click);
    tests->setObjectName(QStringLiteral("mnuMemberFitTests"));
    tests->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    tests->setStatusTip(tr("The fit tests of the member shown"));
    QAction* due = menu->addAction(tr("Fit Tests &Due..."));
    connect(due, &QAction::triggered, this, &frmMaskTesting::mnuFitTestsDue_Click);
    due->setObjectName(QStringLiteral("mnuFitTestsDue"));
    due->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    QAction* history = addHistoryMenu(bar);
    addActions({tests, due, history});
    new FollowsButton(cmdQuery, {tests, due, history});

    // The bar goes above the client area as drawn; the form below it keeps every place.
    const int height = bar->sizeHint().height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != bar)
            child->move(child->x(), child->y() + height);
    }
    setFixedSize(width(), this->height() + height);
    bar->setGeometry(0, 0, width(), height);
}

qint64 frmMaskTesting::memberForWindow(const QString& advice, const QString& title)
{
    const qint64 member = m_rsMaskTest ? m_rsMaskTest->currentKey() : 0;
    if (member == 0)
        m_dialogs.message(this, okBox(advice, MsgIcon::Exclamation, title));
    return member;
}

void frmMaskTesting::mnuFitTests_Click()
{
    if (!cmdQuery->isEnabled())
        return;
    const qint64 member = memberForWindow(tr("No member's record is current: search for the member first, then open "
                                             "the member's fit tests."),
                                          tr("Fit Tests"));
    if (member == 0)
        return;
    auto* window = new frmFitTests(m_dialogs, m_location, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    if (!window->Form_Load(member)) {
        delete window;
        return;
    }
    // A passed test set the member's Last Date Tested: the boxes show the record as stored now,
    // and the next Update compares with it.
    connect(window, &frmFitTests::memberRecordChanged, this, [this] {
        if (m_rsMaskTest && !m_rsMaskTest->refreshCurrent())
            ShowRecord();
    });
    window->show();
}

void frmMaskTesting::mnuFitTestsDue_Click()
{
    if (!cmdQuery->isEnabled())
        return;
    auto* window = new frmFitTestsDue(m_dialogs, m_location, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    if (!window->Form_Load()) {
        delete window;
        return;
    }
    window->show();
}

} // namespace vantor
