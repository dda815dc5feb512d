// The Query button: the query window, with this window unavailable while it is open.
#include "frmmasktesting.h"

#include <frmquery.h>

namespace vantor {

void frmMaskTesting::cmdQuery_Click()
{
    // A window of its own, with no owner; it is built anew at every opening and makes this
    // window available again when it closes.
    auto* query = new frmQuery(m_dialogs, m_location, this);
    query->setAttribute(Qt::WA_DeleteOnClose);
    setEnabled(false);
    query->show();
}

} // namespace vantor
