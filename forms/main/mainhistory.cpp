// The way from the records window to the History window: a menu of its own on the bar above
// the form, beside Fit Tests. Its keys are taken by nothing on the form or the bar: Alt+H opens
// it, R chooses its one command, and Ctrl+H opens the window at once.
#include "frmmasktesting.h"

#include <frmhistory.h>

#include <QMenuBar>

namespace vantor {

QAction* frmMaskTesting::addHistoryMenu(QMenuBar* bar)
{
    QMenu* menu = bar->addMenu(tr("&History"));
    menu->setObjectName(QStringLiteral("mnuHistory"));
    QAction* history = menu->addAction(tr("&Record History..."));
    history->setObjectName(QStringLiteral("mnuRecordHistory"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setStatusTip(tr("Every change of the member's record and fit tests: who, when, before and after"));
    connect(history, &QAction::triggered, this, &frmMaskTesting::mnuRecordHistory_Click);
    return history;
}

void frmMaskTesting::mnuRecordHistory_Click()
{
    if (!cmdQuery->isEnabled())
        return;
    const qint64 member = memberForWindow(tr("No member's record is current: search for the member first, then open "
                                             "the record's history."),
                                          tr("History"));
    if (member == 0)
        return;
    auto* window = new frmHistory(m_dialogs, m_location, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    if (!window->Form_Load(member)) {
        delete window;
        return;
    }
    window->show();
}

} // namespace vantor
