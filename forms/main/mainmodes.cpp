// Browse, entry and edit mode: Add, Edit and Cancel.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::cmdAdd_Click()
{
    m_blnAdding = true;
    UnlockFields();
    for (TextBox* box : textBoxes())
        box->setText(QString());
    txtMonthTested->setFocus(Qt::OtherFocusReason);
    cmdSave->setEnabled(true);
    cmdSearch->setEnabled(false);
    cmdQuery->setEnabled(false);
    cmdUpdate->setEnabled(false);
    cmdEdit->setEnabled(false);
    cmdDelete->setEnabled(false);
    cmdAdd->setEnabled(false);
    cmdExit->setEnabled(true);
}

void frmMaskTesting::cmdEdit_Click()
{
    UnlockFields();
    txtMonthTested->setFocus(Qt::OtherFocusReason);
    cmdSave->setEnabled(false);
    cmdSearch->setEnabled(false);
    cmdQuery->setEnabled(false);
    cmdUpdate->setEnabled(true);
    cmdEdit->setEnabled(false);
    cmdDelete->setEnabled(false);
    cmdAdd->setEnabled(false);
    cmdExit->setEnabled(true);
}

// Start-up and Cancel leave the same buttons, set in the same order.
void frmMaskTesting::setBrowseModeButtons()
{
    cmdUpdate->setEnabled(false);
    cmdEdit->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(false);
    cmdExit->setEnabled(true);
    cmdQuery->setEnabled(true);
    cmdSearch->setEnabled(true);
    cmdSave->setEnabled(false);
}

void frmMaskTesting::cmdCancel_Click()
{
    if (m_dialogs.message(this,
                          yesNoBox(QStringLiteral("Do you wish to cancel this operation?"), QStringLiteral("Cancel")))
        != MsgResult::Yes)
        return;
    setBrowseModeButtons();
    LockFields();
}

} // namespace vantor
