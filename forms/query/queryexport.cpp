// Send to Excel: the grid's list into a new workbook, opened for the user.
#include "frmquery.h"

#include <exporttoexcel.h>
#include <newfile.h>
#include <workbookfiles.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

namespace vantor {

namespace {

QString exportTitle()
{
    return frmQuery::tr("Send to Excel");
}

// Shows the wait cursor until it goes or is let go.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { release(); }
    void release()
    {
        if (std::exchange(m_active, false))
            QApplication::restoreOverrideCursor();
    }

private:
    bool m_active = true;
};

// Where a saved list goes first: the user's documents, or home where there are none.
QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

void frmQuery::cmdPrint_Click()
{
    RecordSet* rs = m_rsQuery.get();
    if (!rs) {
        m_dialogs.message(this,
                          okBox(tr("There is no list to send yet.\n\nFirst click one of the "
                                   "items in the list, then click Send to Excel."),
                                MsgIcon::Exclamation, exportTitle()));
        return;
    }
    removeStaleWorkbooks(m_workbookDirectory, QDateTime::currentDateTime());

    QString workbook;
    ExportResult result;
    try {
        result = exportList(*rs, workbook);
    } catch (const spreadsheet::Error& error) {
        m_dialogs.message(this,
                          okBox(tr("The list could not be sent to Excel:\n\n%1").arg(error.message()),
                                MsgIcon::Critical, exportTitle()));
        return;
    }
    if (result.cancelled)
        return;
    showWorkbook(workbook);
    if (!result.cut.empty()) {
        const QString values
            = result.cut.size() == 1 ? tr("One value was") : tr("%1 values were").arg(qsizetype(result.cut.size()));
        m_dialogs.message(
            this,
            okBox(tr("%1 longer than a cell can hold (%2 characters) and cut to fit:\n\n%3\n\n"
                     "The rest of the list is complete.")
                      .arg(values, QLocale().toString(spreadsheet::MaxCellText), describeCutValues(result.cut)),
                  MsgIcon::Exclamation, exportTitle()));
    }
}

// Writes the list into a new workbook, whose file it names in `workbook`. An export that runs
// longer than the progress delay shows how far it got, and can be cancelled.
ExportResult frmQuery::exportList(RecordSet& rs, QString& workbook)
{
    WaitCursor wait;
    // Window-modal once it shows: the list cannot be changed under the export. Until then the
    // window is only repainted, and clicks wait.
    QProgressDialog progress(tr("Sending the list to Excel..."), tr("Cancel"), 0, int(rs.recordCount()), this);
    progress.setObjectName(QStringLiteral("prgExport"));
    progress.setWindowTitle(exportTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelay);
    progress.setAutoReset(false);
    progress.setValue(0);
    const ExportOptions options{m_listName, m_listYear, 500, [&](qint64 rows) {
                                    progress.setValue(int(rows));
                                    if (progress.isVisible())
                                        wait.release();
                                    else
                                        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                                    return !progress.wasCanceled();
                                }};
    const QString baseName = workbookBaseName(m_listName, QDate::currentDate());
    return ExportToExcel(rs,
                         xlsxFileHost(
                             m_workbookDirectory, [&workbook](const QString& file) { workbook = file; }, baseName),
                         options);
}

void frmQuery::showWorkbook(const QString& fileName)
{
    if (m_openWorkbook && m_openWorkbook(QUrl::fromLocalFile(fileName)))
        return;
    offerToSave(fileName);
}

// No program here can show the list: it is saved where the user chooses, to be printed from there.
void frmQuery::offerToSave(const QString& fileName)
{
    const QString name = workbookBaseName(m_listName, QDate::currentDate()) + QStringLiteral(".xlsx");
    QString target = QDir(documentsFolder()).filePath(name);
    for (;;) {
        target = m_dialogs.saveFileName(
            this,
            FileBox{tr("No spreadsheet program can show the list: save it as"), target, tr("Workbooks (*.xlsx)")});
        if (target.isEmpty() || saveWorkbook(fileName, target))
            break;
    }
    QFile::remove(fileName);
}

// The file dialog has asked before replacing the file it returns; a name it gave without the
// suffix is asked about here.
bool frmQuery::saveWorkbook(const QString& fileName, const QString& target)
{
    QString path = target;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".xlsx");
        const QString replace
            = tr("%1 already exists.\n\nDo you want to replace it?").arg(QDir::toNativeSeparators(path));
        if (QFileInfo::exists(path) && m_dialogs.message(this, yesNoBox(replace, exportTitle())) != MsgResult::Yes)
            return false;
    }
    // Not the private temporary file's permissions: the saved list is a new file of the user's.
    QString error;
    if (!newfile::copy(fileName, path, &error)) {
        m_dialogs.message(this,
                          okBox(tr("The list could not be saved as %1:\n%2\n\nChoose another name or folder.")
                                    .arg(QDir::toNativeSeparators(path), error),
                                MsgIcon::Exclamation, exportTitle()));
        return false;
    }
    m_dialogs.message(this,
                      okBox(tr("No spreadsheet program on this computer could show the list, so it was saved as "
                               "%1.\n\nOpen it from there to print it.")
                                .arg(QDir::toNativeSeparators(path)),
                            MsgIcon::Information, exportTitle()));
    return true;
}

} // namespace vantor
