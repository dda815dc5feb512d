#pragma once

#include "appearance.h"
#include "dialogservice.h"
#include "fieldboxes.h"
#include "textbox.h"

#include <connection.h>
#include <recordset.h>
#include <recordslocation.h>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <memory>

class QAction;
class QGroupBox;
class QMenuBar;

namespace vantor {

// The main records window: one mask test record at a time, entered, changed, found and
// removed from the keyboard.
class frmMaskTesting : public QWidget, public appearance::AccessKeyGate
{
    Q_OBJECT
public:
    // `location` is where the records are, as the program decided at start-up.
    frmMaskTesting(DialogService& dialogs, RecordsLocation location, QWidget* parent = nullptr);
    ~frmMaskTesting() override;

    // Opens the store and shows the first record. On failure the user has been told
    // why, and the window must not be shown.
    bool Form_Load();

    // What the window works on, for whoever needs to look (tests, the query window).
    const RecordSet* recordSet() const { return m_rsMaskTest.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdCancel_Click();
    void cmdExit_Click();
    void cmdSave_Click();
    void cmdUpdate_Click();
    void cmdSearch_Click();
    void cmdDelete_Click();
    void cmdQuery_Click();
    void mnuFitTests_Click();
    void mnuFitTestsDue_Click();
    void mnuRecordHistory_Click();

private:
    // The row key of the member a window of the menu bar opens for; 0, after saying so with
    // `advice` under `title`, where no record is current.
    qint64 memberForWindow(const QString& advice, const QString& title);
    void buildLayout();
    TextBox* addTextBox(QWidget* frame, const char* name, QRect geometry, Qt::Alignment alignment, int maxLength);
    QGroupBox* addFrame(const char* name, const QString& caption, QRect geometry);
    void setTabOrder();
    // The menu bar above the form, the way to the fit-test windows (mainfittests.cpp).
    void addFitTestsMenu();
    // The History menu on that bar, the way to the History window (mainhistory.cpp).
    QAction* addHistoryMenu(QMenuBar* bar);

    void Form_Unload();
    void LockFields();
    void UnlockFields();
    StoreError ShowRecord();

    // The states the handlers leave the window in: which command buttons are enabled, and
    // whether the text boxes take input (mainmodes.cpp). A search only enables Delete.
    enum class Mode { Browse, Entry, Edit, AfterSave, AfterUpdate };
    void setMode(Mode mode);
    bool clickDefaultButton();
    void reportStartupFailure(const StoreError& error);
    QWidget* startupBoxParent();

    // Wires the keystroke filters, the FDID check and the record commands (mainkeypress.cpp).
    void connectRecordHandlers();

    // The FDID form, tested when the focus moves from txtFDID to another control (fdidvalidation.cpp).
    void txtFDID_LostFocus();
    void FDIDValidation();
    bool accessKeyMayClick(QPushButton* button) override;

    // True when an entry was rejected: its message shown, the focus in the box at fault.
    bool ValidateEntries();
    // Copies the fourteen boxes into the current record of m_rsMaskTest.
    StoreError writeFields();
    void LogError(const StoreError& p_objError, const QString& p_strProcName);
    void reportStoreFailure(const QString& what, const StoreError& error, const QString& title, const QString& advice);

    DialogService& m_dialogs;
    RecordsLocation m_location;

    // Store objects, from Form_Load to Form_Unload.
    std::unique_ptr<Connection> m_cnnMaskTest;
    std::unique_ptr<RecordSet> m_rsMaskTest;
    QString m_strSQL;
    QString m_strDBPath;
    QString m_strConnect;
    bool m_blnAdding = false;

    // The boxes of FieldBoxes, in its order.
    std::array<TextBox*, FieldBoxes.size()> m_fieldBoxes{};

    TextBox* txtMonthTested = nullptr;
    TextBox* txtDayTested = nullptr;
    TextBox* txtYearTested = nullptr;
    TextBox* txtTorF = nullptr;
    TextBox* txtAssignTo = nullptr;
    TextBox* txtFDID = nullptr;
    TextBox* txtRank = nullptr;
    TextBox* txtKday = nullptr;
    TextBox* txtLname = nullptr;
    TextBox* txtFname = nullptr;
    TextBox* txtMid = nullptr;
    TextBox* txtBatt = nullptr;
    TextBox* txtUnit = nullptr;
    TextBox* txtAssign = nullptr;

    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdQuery = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdExit = nullptr;
};

} // namespace vantor
