// Opening the History window, and showing the entry the grid selects.
#include "frmhistory.h"

#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace vantor {

// A dialog, not a plain window: X11 keeps only a dialog above its owner.
frmHistory::frmHistory(DialogService& dialogs, RecordsLocation location, QWidget* owner)
    : QWidget(owner, Qt::Dialog)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
{
    buildLayout();
    connect(dgHistory->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &frmHistory::showEntry);
}

frmHistory::~frmHistory() = default;

bool frmHistory::Form_Load(qint64 memberKey)
{
    const history::MemberHistory found = history::openMemberHistory(m_location, memberKey);
    if (found.error) {
        QString prompt = tr("The history cannot be shown.\r\n\r\n%1\r\n(Error %2)")
                             .arg(found.error.description, QString::number(found.error.number));
        if (found.error.number == AccessDenied && m_location.isServer())
            prompt += tr("\r\n\r\nThe database's owner grants the clerks SELECT on the table History.");
        m_dialogs.message(
            this, okBox(prompt + tr("\r\n\r\nThe records window is as it was."), MsgIcon::Critical, tr("History")));
        return false;
    }
    setWindowTitle(tr("History - %1 %2").arg(found.fdid, found.name));
    lblFDID->setText(found.fdid);
    lblName->setText(found.name);
    m_model.setEntries(found.entries);
    dgHistory->resizeColumnsToContents();
    const qsizetype count = found.entries.size();
    lblCount->setText(count == 1 ? tr("1 change") : tr("%1 changes").arg(count));
    if (count > 0)
        dgHistory->setCurrentIndex(m_model.index(0, 0));
    showEntry();
    dgHistory->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmHistory::showEntry()
{
    const QModelIndex current = dgHistory->currentIndex();
    txtChanges->setPlainText(current.isValid() ? HistoryModel::details(m_model.entries().at(current.row()))
                                               : tr("No change has been recorded for this member."));
}

void frmHistory::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmHistory::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (parentWidget())
        parentWidget()->activateWindow();
}

} // namespace vantor
