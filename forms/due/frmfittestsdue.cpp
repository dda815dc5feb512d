// Opening the Fit Tests Due window, making the list of the chosen group, and sending it to Excel.
#include "frmfittestsdue.h"

#include "textbox.h"
#include "workbookopener.h"

#include <dueexport.h>
#include <exporttoexcel.h>
#include <fittests.h>
#include <newfile.h>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace vantor {

constexpr int DefaultWithinDays = 30;

frmFitTestsDue::frmFitTestsDue(DialogService& dialogs, RecordsLocation location, QWidget* owner)
    : QWidget(owner, Qt::Dialog)
    , m_dialogs(dialogs)
    , m_location(std::move(location))
    , m_openWorkbook([](const QUrl& file) { return openWorkbookOnDesktop(file.toLocalFile()); })
    , m_workbookDirectory(QDir::tempPath())
{
    buildLayout();
    for (const due::Group& group : std::as_const(m_groups))
        lstGroups->addItem(group.name());
    txtWithin->showText(QString::number(DefaultWithinDays));
    txtWithin->setKeyPressHandler([this](char32_t& code) {
        if ((code >= U'0' && code <= U'9') || code == 8 || code == 9)
            return;
        m_dialogs.message(
            this,
            okBox(tr("Please enter the number of days ahead, such as 30."), MsgIcon::Information, tr("Due Within")));
        code = 0;
    });
    // A new number of days makes the list again when the clerk presses Enter or moves on.
    txtWithin->setDefaultButtonHandler([this] {
        runList();
        return true;
    });
    txtWithin->setLostFocusHandler([this] {
        if (withinDays() != m_shownWithin)
            runList();
    });
}

frmFitTestsDue::~frmFitTestsDue() = default;

bool frmFitTestsDue::Form_Load()
{
    {
        const QSignalBlocker quiet(lstGroups);
        lstGroups->setCurrentRow(0);
    }
    if (!runList())
        return false;
    lstGroups->setFocus(Qt::OtherFocusReason);
    return true;
}

int frmFitTestsDue::withinDays() const
{
    return txtWithin->text().trimmed().toInt();
}

void frmFitTestsDue::lstGroups_Click()
{
    if (lstGroups->currentRow() >= 0 && !runList()) {
        // The grid keeps the list it showed, and the highlight goes back to its group.
        const QSignalBlocker quiet(lstGroups);
        lstGroups->setCurrentRow(m_shownGroup);
    }
}

bool frmFitTestsDue::runList()
{
    const int position = std::max(0, lstGroups->currentRow());
    const QDate today = m_today.isValid() ? m_today : QDate::currentDate();
    const due::DueList list = due::runDueList(m_location, m_groups.at(position), withinDays(), today);
    if (list.error) {
        m_dialogs.message(this,
                          okBox(tr("The list of fit tests due could not be made:\n\n%1\n(Error %2)")
                                    .arg(list.error.description, QString::number(list.error.number)),
                                MsgIcon::Exclamation, windowTitle()));
        return false;
    }
    m_shownGroup = position;
    m_shownWithin = list.withinDays;
    txtWithin->showText(QString::number(list.withinDays));
    m_model.setList(list);
    dgDue->resizeColumnsToContents();
    lblToday->setText(tr("days of %1: due by %2, and every member overdue")
                          .arg(fittests::shownDate(list.today), fittests::shownDate(list.horizon)));
    lblCount->setText(QStringLiteral(" ") + QString::number(list.members.size()));
    return true;
}

void frmFitTestsDue::cmdPrint_Click()
{
    const QString title = tr("Send to Excel");
    if (withinDays() != m_shownWithin && !runList())
        return;
    QString workbook;
    try {
        due::exportDueList(m_model.list(),
                           xlsxFileHost(
                               m_workbookDirectory, [&workbook](const QString& file) { workbook = file; },
                               due::dueWorkbookName(m_model.list())));
    } catch (const spreadsheet::Error& error) {
        m_dialogs.message(
            this,
            okBox(tr("The list could not be sent to Excel:\n\n%1").arg(error.message()), MsgIcon::Critical, title));
        return;
    }
    if (m_openWorkbook && m_openWorkbook(QUrl::fromLocalFile(workbook)))
        return;
    // No program here can show the list: it is saved where the user chooses.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString target = QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath())
                         .filePath(due::dueWorkbookName(m_model.list()) + QStringLiteral(".xlsx"));
    for (;;) {
        target = m_dialogs.saveFileName(
            this,
            FileBox{tr("No spreadsheet program can show the list: save it as"), target, tr("Workbooks (*.xlsx)")});
        QString error;
        if (target.isEmpty() || newfile::copy(workbook, target, &error))
            break;
        m_dialogs.message(this,
                          okBox(tr("The list could not be saved as %1:\n%2\n\nChoose another name or folder.")
                                    .arg(QDir::toNativeSeparators(target), error),
                                MsgIcon::Exclamation, title));
    }
    QFile::remove(workbook);
}

void frmFitTestsDue::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmFitTestsDue::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (parentWidget())
        parentWidget()->activateWindow();
}

} // namespace vantor
