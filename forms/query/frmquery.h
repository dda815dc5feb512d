#pragma once

#include "dialogservice.h"
#include "personnelmodel.h"
#include <exporttoexcel.h>

#include <connection.h>
#include <recordset.h>
#include <recordslocation.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

namespace vantor {

// The query window: for one chosen group, the members not tested this calendar year, their
// number, and the list sent to a spreadsheet for printing.
class frmQuery : public QWidget
{
    Q_OBJECT
public:
    // `location` is where the records are. With an owner, the window stays above it and
    // gives it the activation back when it closes.
    frmQuery(DialogService& dialogs, RecordsLocation location, QWidget* owner = nullptr);
    ~frmQuery() override;

    // Opens a finished workbook in the user's spreadsheet program; false where none can.
    using WorkbookOpener = std::function<bool(const QUrl& file)>;
    void setWorkbookOpener(WorkbookOpener opener) { m_openWorkbook = std::move(opener); }
    // Where new workbooks are written before they are opened (the system's temporary folder).
    void setWorkbookDirectory(const QString& directory) { m_workbookDirectory = directory; }
    // How long an export runs before it shows its progress, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    const RecordSet* recordSet() const { return m_rsQuery.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void lstBattalions_Click();
    void cmdPrint_Click();
    void cmdReturn_Click();

private:
    void buildLayout();
    void Form_Load();
    void Form_Unload();
    ExportResult exportList(RecordSet& rs, QString& workbook);
    void showWorkbook(const QString& fileName);
    void offerToSave(const QString& fileName);
    bool saveWorkbook(const QString& fileName, const QString& target);

    DialogService& m_dialogs;
    RecordsLocation m_location;
    WorkbookOpener m_openWorkbook;
    QString m_workbookDirectory;
    int m_progressDelay = 1000;
    bool m_unloaded = false;

    QLabel* lblCount = nullptr;
    QListWidget* lstBattalions = nullptr;
    QTableView* dgPersonnel = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdReturn = nullptr;

    // The latest query: its connection, and its record set, which the grid shows.
    std::unique_ptr<Connection> m_cnnQuery;
    std::unique_ptr<RecordSet> m_rsQuery;
    QString m_listName; // the entry it was made for
    int m_listYear = 0; // the year its members were not tested in
    int m_shownPosition = -1; // the list entry whose list the grid shows
    PersonnelModel m_personnel;
};

} // namespace vantor
