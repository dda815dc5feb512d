// Delete: the current record removed, and the one after it shown.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::cmdDelete_Click()
{
    if (m_dialogs.message(this,
                          yesNoBox(tr("Deleting this record will completely remove it from the "
                                      "database!\r\nAre you sure you wish to delete this record?"),
                                   tr("Delete Record")))
        != MsgResult::Yes)
        return;
    // After a search that found nothing there is no record to delete.
    if (m_rsMaskTest->bof() || m_rsMaskTest->eof())
        return;
    if (StoreError error = m_rsMaskTest->deleteCurrent()) {
        reportStoreFailure(tr("The record could not be deleted."), error, tr("Delete Record"),
                           tr("Nothing was deleted. Search for the member again to see the record as "
                              "it is stored now."));
        return;
    }
    // The set is empty now: the boxes keep the deleted record's text.
    if (m_rsMaskTest->bof() || m_rsMaskTest->eof())
        return;

    StoreError error = m_rsMaskTest->moveNext();
    if (!error && m_rsMaskTest->eof() && m_rsMaskTest->recordCount() > 0)
        error = m_rsMaskTest->moveLast();
    if (!error)
        error = ShowRecord();
    if (error)
        reportStoreFailure(tr("The record was deleted, but the next one could not be shown."), error,
                           tr("Delete Record"), tr("Search to show a record again."));
}

} // namespace vantor
