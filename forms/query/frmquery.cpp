// Opening and closing the query window, and running the query of the chosen list entry.
#include "frmquery.h"

#include "workbookopener.h"
#include <querysql.h>
#include <untestedquery.h>

#include <QCloseEvent>
#include <QDir>
#include <QSignalBlocker>

namespace vantor {

// A dialog, not a plain window: X11 tells the window manager to keep a window above its owner
// (WM_TRANSIENT_FOR) only for dialogs.
frmQuery::frmQuery(DialogService& dialogs, RecordsLocation location, QWidget* owner)
    : QWidget(owner, Qt::Dialog)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
    , m_openWorkbook([](const QUrl& file) { return openWorkbookOnDesktop(file.toLocalFile()); })
    , m_workbookDirectory(QDir::tempPath())
{
    buildLayout();
    Form_Load();
}

frmQuery::~frmQuery()
{
    Form_Unload();
}

void frmQuery::Form_Load()
{
    lstBattalions->clear();
    lstBattalions->addItems(querysql::entries());
}

void frmQuery::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_personnel.setRecordSet(nullptr);
    m_rsQuery.reset();
    m_cnnQuery.reset();
}

void frmQuery::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
    // The user goes on in the records window, whatever the window manager picks.
    if (parentWidget())
        parentWidget()->activateWindow();
}

void frmQuery::cmdReturn_Click()
{
    close();
}

void frmQuery::lstBattalions_Click()
{
    const QList<QListWidgetItem*> selected = lstBattalions->selectedItems();
    if (selected.isEmpty())
        return;
    const int position = lstBattalions->row(selected.first());

    UntestedQuery run = runUntestedQuery(m_location, position);
    if (run.error) {
        m_dialogs.message(this,
                          okBox(tr("The list \"%1\" could not be made:\n\n%2\n(Error %3)\n\n"
                                   "The records are in %4.")
                                    .arg(selected.first()->text(), run.error.description,
                                         QString::number(run.error.number), m_location.displayName()),
                                MsgIcon::Exclamation, windowTitle()));
        // The grid and the count keep the previous list; the highlight goes back to its entry
        // (or to none) without running its query again. Once the list has done with the key or
        // click that chose: a key selects its entry a second time after this handler returns,
        // which would run the failed query again. Set through the view, no entry stays current
        // where none was listed, and the list does not make its first entry current when it has
        // the focus back from the message box.
        QMetaObject::invokeMethod(
            this,
            [this] {
                const QSignalBlocker quiet(lstBattalions);
                lstBattalions->setCurrentIndex(lstBattalions->model()->index(m_shownPosition, 0));
            },
            Qt::QueuedConnection);
        return;
    }
    m_shownPosition = position;

    // The grid lets go of the old record set before it is released, and that before its
    // connection.
    m_personnel.setRecordSet(run.records.get());
    std::swap(m_rsQuery, run.records);
    std::swap(m_cnnQuery, run.connection);
    m_listName = run.listName;
    m_listYear = run.year;
    run.records.reset();
    run.connection.reset();

    lblCount->setText(QStringLiteral(" ") + QString::number(m_personnel.rowCount()));
}

} // namespace vantor
