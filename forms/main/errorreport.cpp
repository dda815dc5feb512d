// How the records window tells the user about failures of the store.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::LogError(const StoreError& p_objError, const QString& p_strProcName)
{
    const QString prompt
        = tr("Error Number: %1 Description: %2").arg(QString::number(p_objError.number), p_objError.description);
    const QString title = tr("Error at procedure <%1>").arg(p_strProcName);
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical, title));
}

// Save, Search and Delete have no report of their own in the old program; this one says
// what failed, why, and in what state the window was left.
void frmMaskTesting::reportStoreFailure(const QString& what, const StoreError& error, const QString& title,
                                        const QString& advice)
{
    const QString prompt = tr("%1\r\n\r\n%2\r\n(Error %3)\r\n\r\n%4")
                               .arg(what, error.description, QString::number(error.number), advice);
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical, title));
}

} // namespace vantor
