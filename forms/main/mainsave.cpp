// Save: a new record from the fourteen boxes.
#include "frmmasktesting.h"

namespace vantor {

// Every field receives its box's text as it stands: not trimmed, and an empty box gives
// the empty text, never a null. Fields go in the order the old form wrote them.
StoreError frmMaskTesting::writeFields()
{
    const std::pair<const char*, TextBox*> order[] = {
        {"Last", txtLname},   {"First", txtFname},       {"Init", txtMid},      {"Kelly", txtKday},
        {"Rank", txtRank},    {"ID", txtFDID},           {"Assign", txtAssign}, {"Unit", txtUnit},
        {"Batt", txtBatt},    {"Month", txtMonthTested}, {"Day", txtDayTested}, {"Year", txtYearTested},
        {"Special", txtTorF}, {"AssignTo", txtAssignTo},
    };
    for (const auto& [field, box] : order) {
        QString text = box->text();
        if (text.isNull())
            text = QStringLiteral("");
        if (StoreError error = m_rsMaskTest->setValue(QString::fromLatin1(field), text))
            return error;
    }
    return {};
}

void frmMaskTesting::cmdSave_Click()
{
    if (ValidateEntries())
        return;

    StoreError error;
    if (m_blnAdding)
        error = m_rsMaskTest->addNew();
    if (!error)
        error = writeFields();
    if (!error)
        error = m_rsMaskTest->update();
    if (error) {
        // The half-made record is dropped; what the user typed stays in the boxes, still in
        // entry mode, for another try once the cause is put right.
        m_rsMaskTest->cancelUpdate();
        reportStoreFailure(QStringLiteral("The new record could not be saved."), error, QStringLiteral("Save"),
                           QStringLiteral("Your entries are still in the boxes. Click Save to try again, or "
                                          "Cancel to give up this record."));
        return;
    }

    LockFields();
    cmdSave->setEnabled(false);
    cmdUpdate->setEnabled(true);
    cmdEdit->setEnabled(true);
    cmdAdd->setEnabled(true);
    cmdDelete->setEnabled(false);
    cmdExit->setEnabled(true);
    cmdQuery->setEnabled(true);
    cmdSearch->setEnabled(true);
    cmdSearch->setFocus(Qt::OtherFocusReason);
    m_blnAdding = false;
}

} // namespace vantor
