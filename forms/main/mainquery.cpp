// The Query button: the query window, which blocks this one while it is open.
#include "frmmasktesting.h"

#include <frmquery.h>

namespace vantor {

void frmMaskTesting::cmdQuery_Click()
{
    // Built anew at every opening. Window modality keeps every key, click and close request
    // away from this window while the query window is open, and keeps the query window above it.
    auto* query = new frmQuery(m_dialogs, m_location, this);
    query->setAttribute(Qt::WA_DeleteOnClose);
    query->setWindowModality(Qt::WindowModal);
    query->show();
}

} // namespace vantor
