// Send to Excel: the grid's list into a new workbook, opened for the user.
#include "frmquery.h"

#include "exporttoexcel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {

QString exportTitle()
{
    return frmQuery::tr("Send to Excel");
}

// Shows the wait cursor for as long as it lives.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

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
    QString failure;
    {
        WaitCursor wait;
        try {
            ExportToExcel(*rs, xlsxFileHost(m_workbookDirectory, [this](const QString& file) { showWorkbook(file); }));
        } catch (const spreadsheet::Error& error) {
            failure = error.message();
        }
    }
    if (!failure.isEmpty())
        m_dialogs.message(
            this,
            okBox(tr("The list could not be sent to Excel:\n\n%1").arg(failure), MsgIcon::Critical, exportTitle()));
}

void frmQuery::showWorkbook(const QString& fileName)
{
    if (m_openWorkbook && m_openWorkbook(QUrl::fromLocalFile(fileName)))
        return;
    offerToSave(fileName);
}

void frmQuery::offerToSave(const QString& fileName)
{
    const QString question = tr("No spreadsheet program could be started to show the list.\n\n"
                                "Do you want to save the list as a workbook file instead?");
    if (m_dialogs.message(this, yesNoBox(question, exportTitle())) != MsgResult::Yes) {
        QFile::remove(fileName);
        return;
    }
    QString target = QDir::home().filePath(tr("Untested personnel.xlsx"));
    for (;;) {
        target = m_dialogs.input(this, {tr("Save the workbook as:"), exportTitle(), target}).trimmed();
        if (target.isEmpty()) {
            QFile::remove(fileName);
            return;
        }
        if (QFileInfo(target).suffix().isEmpty())
            target += QStringLiteral(".xlsx");
        target = QDir::cleanPath(QDir::home().absoluteFilePath(QDir::fromNativeSeparators(target)));
        if (QFileInfo::exists(target)) {
            const QString replace
                = tr("%1 already exists.\n\nDo you want to replace it?").arg(QDir::toNativeSeparators(target));
            if (m_dialogs.message(this, yesNoBox(replace, exportTitle())) != MsgResult::Yes)
                continue;
            QFile::remove(target);
        }
        QFile source(fileName);
        if (source.copy(target)) {
            source.remove();
            // The copy kept the private permissions of the temporary file.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            m_dialogs.message(this,
                              okBox(tr("The list was saved as %1.").arg(QDir::toNativeSeparators(target)),
                                    MsgIcon::Information, exportTitle()));
            return;
        }
        m_dialogs.message(this,
                          okBox(tr("The list could not be saved as %1:\n%2\n\nChoose another "
                                   "name or folder.")
                                    .arg(QDir::toNativeSeparators(target), source.errorString()),
                                MsgIcon::Exclamation, exportTitle()));
    }
}

} // namespace vantor
