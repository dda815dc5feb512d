// Update: the boxes written back into the current record, after a confirmation.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::cmdUpdate_Click()
{
    if (ValidateEntries())
        return;
    if (m_dialogs.message(
            this,
            yesNoBox(QStringLiteral("Are you sure you wish to update this record?"), QStringLiteral("Update Record")))
        == MsgResult::No) {
        m_rsMaskTest->cancelUpdate();
        return;
    }

    // Values already set stay pending after a failure: a later Update tries them again,
    // a later No drops them.
    StoreError error = writeFields();
    if (!error)
        error = m_rsMaskTest->update();
    if (error) {
        LogError(error, QStringLiteral("Update Error"));
        return;
    }

    cmdUpdate->setEnabled(false);
    cmdEdit->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(true);
    cmdExit->setEnabled(true);
    cmdQuery->setEnabled(true);
    cmdSearch->setEnabled(true);
    LockFields();
    cmdSearch->setFocus(Qt::OtherFocusReason);
}

} // namespace vantor
