// Update: the boxes written back into the current record, after a confirmation.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::cmdUpdate_Click()
{
    if (ValidateEntries())
        return;
    if (m_dialogs.message(this, yesNoBox(tr("Are you sure you wish to update this record?"), tr("Update Record")))
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
        LogError(error, tr("Update Error"));
        return;
    }

    setMode(Mode::AfterUpdate);
    cmdSearch->setFocus(Qt::OtherFocusReason);
}

} // namespace vantor
