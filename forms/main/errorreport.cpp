// How the records window tells the user about failures of the store.
#include "frmmasktesting.h"

namespace vantor {

void frmMaskTesting::LogError(const StoreError& p_objError, const QString& p_strProcName)
{
    const QString prompt = QStringLiteral("Error Number: ") + QString::number(p_objError.number)
        + QStringLiteral(" Description: ") + p_objError.description;
    const QString title = QStringLiteral("Error at procedure <") + p_strProcName + u'>';
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical, title));
}

// Save, Search and Delete have no report of their own in the old program; this one says
// what failed, why, and in what state the window was left.
void frmMaskTesting::reportStoreFailure(const QString& what, const StoreError& error, const QString& title,
                                        const QString& advice)
{
    const QString prompt = what + QStringLiteral("\r\n\r\n") + error.description + QStringLiteral("\r\n(Error ")
        + QString::number(error.number) + QStringLiteral(")\r\n\r\n") + advice;
    m_dialogs.message(this, okBox(prompt, MsgIcon::Critical, title));
}

} // namespace vantor
