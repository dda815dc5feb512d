// Save: a new record from the fourteen boxes.
#include "frmmasktesting.h"

namespace vantor {

// Every field receives its box's text as it stands: not trimmed, and an empty box gives
// the empty text, never a null. Fields go in the order the old form wrote them.
StoreError frmMaskTesting::writeFields()
{
    for (std::size_t i = 0; i < FieldBoxes.size(); ++i) {
        QString text = m_fieldBoxes[i]->text();
        if (text.isNull())
            text = QStringLiteral("");
        if (StoreError error = m_rsMaskTest->setValue(QString::fromLatin1(FieldBoxes[i].field), text))
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
        reportStoreFailure(tr("The new record could not be saved."), error, tr("Save"),
                           tr("Your entries are still in the boxes. Click Save to try again, or "
                              "Cancel to give up this record."));
        return;
    }

    setMode(Mode::AfterSave);
    cmdSearch->setFocus(Qt::OtherFocusReason);
    m_blnAdding = false;
}

} // namespace vantor
