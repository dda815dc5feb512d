// The Query button: the query window, with this window unavailable while it is open.
#include "frmmasktesting.h"

#include <frmquery.h>

#include <QFileInfo>

namespace vantor {

void frmMaskTesting::cmdQuery_Click()
{
    // A window of its own, with no owner; it is built anew at every opening and makes this
    // window available again when it closes.
    auto* query = new frmQuery(m_dialogs, QFileInfo(m_strDBPath).absolutePath(), this);
    query->setAttribute(Qt::WA_DeleteOnClose);
    setEnabled(false);
    query->show();
}

} // namespace vantor
