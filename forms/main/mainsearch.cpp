// Search: the window's record set replaced by the records of one FDID.
#include "frmmasktesting.h"

#include <mainrecords.h>

namespace vantor {

void frmMaskTesting::cmdSearch_Click()
{
    const QString answer
        = m_dialogs.input(this, InputBox{tr("Please enter the employee's FDID number"), tr("FDID Search"), {}});
    // The new set is opened before the old one goes, so that a failure leaves the window
    // with the records it had.
    std::unique_ptr<RecordSet> found;
    if (StoreError error = openSearchRecords(*m_cnnMaskTest, answer, found)) {
        reportStoreFailure(tr("The search could not be carried out."), error, tr("FDID Search"),
                           tr("The window still works on the records it showed before the search."));
        return;
    }
    m_rsMaskTest->close();
    m_rsMaskTest = std::move(found);

    if (m_rsMaskTest->bof() && m_rsMaskTest->eof()) {
        // A carriage return alone separates the two lines, as the old message had it.
        m_dialogs.message(this,
                          okBox(tr("No records found\rMake sure that the criteria you are "
                                   "entering is in the A123 format"),
                                MsgIcon::Exclamation, tr("Attention")));
    } else if (StoreError error = ShowRecord()) {
        reportStoreFailure(tr("The record found could not be shown."), error, tr("FDID Search"),
                           tr("The boxes still show the record shown before the search."));
    }
    cmdDelete->setEnabled(true);
}

} // namespace vantor
