// Send to Excel: the grid's list into a new workbook, opened for the user.
#include "frmquery.h"

#include "exporttoexcel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {

const QString ExportTitle = QStringLiteral("Send to Excel");

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
                          okBox(QStringLiteral("There is no list to send yet.\n\nFirst click one of the "
                                               "items in the list, then click Send to Excel."),
                                MsgIcon::Exclamation, ExportTitle));
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
        m_dialogs.message(this,
                          okBox(QStringLiteral("The list could not be sent to Excel:\n\n%1").arg(failure),
                                MsgIcon::Critical, ExportTitle));
}

void frmQuery::showWorkbook(const QString& fileName)
{
    if (m_openWorkbook && m_openWorkbook(QUrl::fromLocalFile(fileName)))
        return;
    offerToSave(fileName);
}

void frmQuery::offerToSave(const QString& fileName)
{
    const QString question = QStringLiteral("No spreadsheet program could be started to show the list.\n\n"
                                            "Do you want to save the list as a workbook file instead?");
    if (m_dialogs.message(this, yesNoBox(question, ExportTitle)) != MsgResult::Yes) {
        QFile::remove(fileName);
        return;
    }
    QString target = QDir::home().filePath(QStringLiteral("Untested personnel.xlsx"));
    for (;;) {
        target = m_dialogs.input(this, {QStringLiteral("Save the workbook as:"), ExportTitle, target}).trimmed();
        if (target.isEmpty()) {
            QFile::remove(fileName);
            return;
        }
        if (QFileInfo(target).suffix().isEmpty())
            target += QStringLiteral(".xlsx");
        target = QDir::cleanPath(QDir::home().absoluteFilePath(QDir::fromNativeSeparators(target)));
        if (QFileInfo::exists(target)) {
            const QString replace = QStringLiteral("%1 already exists.\n\nDo you want to replace it?")
                                        .arg(QDir::toNativeSeparators(target));
            if (m_dialogs.message(this, yesNoBox(replace, ExportTitle)) != MsgResult::Yes)
                continue;
            QFile::remove(target);
        }
        QFile source(fileName);
        if (source.copy(target)) {
            source.remove();
            // The copy kept the private permissions of the temporary file.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            m_dialogs.message(this,
                              okBox(QStringLiteral("The list was saved as %1.").arg(QDir::toNativeSeparators(target)),
                                    MsgIcon::Information, ExportTitle));
            return;
        }
        m_dialogs.message(this,
                          okBox(QStringLiteral("The list could not be saved as %1:\n%2\n\nChoose another "
                                               "name or folder.")
                                    .arg(QDir::toNativeSeparators(target), source.errorString()),
                                MsgIcon::Exclamation, ExportTitle));
    }
}

} // namespace vantor
