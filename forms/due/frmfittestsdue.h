#pragma once

#include "dialogservice.h"
#include "duemodel.h"

#include <recordslocation.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace vantor {

class TextBox;

// The Fit Tests Due window: for one group, the members overdue for a fit test or due within
// a number of days, with the facepiece each was last fitted with, sent to a workbook for printing.
class frmFitTestsDue : public QWidget
{
    Q_OBJECT
public:
    // With an owner, the window stays above it and gives it the activation back when it closes.
    frmFitTestsDue(DialogService& dialogs, RecordsLocation location, QWidget* owner = nullptr);
    ~frmFitTestsDue() override;

    // Makes the list of all members. On failure the user has been told why (records that
    // do not hold fit tests yet, and what to run), and the window must not be shown.
    bool Form_Load();

    // Opens a finished workbook in the user's spreadsheet program; false where none can.
    using WorkbookOpener = std::function<bool(const QUrl& file)>;
    void setWorkbookOpener(WorkbookOpener opener) { m_openWorkbook = std::move(opener); }
    void setWorkbookDirectory(const QString& directory) { m_workbookDirectory = directory; }
    void setToday(const QDate& today) { m_today = today; }

    const due::DueList& list() const { return m_model.list(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void lstGroups_Click();
    void cmdPrint_Click();

private:
    void buildLayout();
    bool runList();
    int withinDays() const;

    DialogService& m_dialogs;
    RecordsLocation m_location;
    WorkbookOpener m_openWorkbook;
    QString m_workbookDirectory;
    QDate m_today;
    DueModel m_model;
    QList<due::Group> m_groups = due::groups();
    int m_shownGroup = -1;
    int m_shownWithin = -1;

    QListWidget* lstGroups = nullptr;
    TextBox* txtWithin = nullptr;
    QLabel* lblToday = nullptr;
    QTableView* dgDue = nullptr;
    QLabel* lblCount = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdReturn = nullptr;
};

} // namespace vantor
