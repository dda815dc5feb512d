#pragma once

#include "dialogservice.h"
#include "fittestsmodel.h"

#include <memberfittests.h>
#include <recordslocation.h>

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

#include <functional>

namespace vantor {

class frmFitTest;

// The Fit Tests window: one member's fit tests, newest first, added, changed and deleted
// from the keyboard, each with its recording, and the member's record printed on one page.
class frmFitTests : public QWidget
{
    Q_OBJECT
public:
    // With an owner, the window stays above it and gives it the activation back when it closes.
    frmFitTests(DialogService& dialogs, RecordsLocation location, QWidget* owner = nullptr);
    ~frmFitTests() override;

    // Opens the member whose hidden row key in MT is `memberKey`. On failure the user has
    // been told why, and the window must not be shown.
    bool Form_Load(qint64 memberKey);

    // Hands a file to the desktop's program for its type (a recording, the printed record);
    // false where there is none or it could not be started.
    using FileOpener = std::function<bool(const QString& file, const QString& mimeType)>;
    void setFileOpener(FileOpener opener) { m_openFile = std::move(opener); }
    // Where recordings and printed records are written before they are opened.
    void setFileDirectory(const QString& directory) { m_fileDirectory = directory; }
    // The day the window takes as today, for the entry checks and the printed record.
    void setToday(const QDate& today) { m_today = today; }
    QDate today() const { return m_today.isValid() ? m_today : QDate::currentDate(); }

    fittests::MemberFitTests& store() { return m_store; }
    DialogService& dialogs() { return m_dialogs; }

    // The entry form saved a test: shows it selected, and the member as stored now.
    void testSaved(qint64 key, bool dateSet);

signals:
    // The member's record changed here (its Last Date Tested): the records window shows it again.
    void memberRecordChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdRecording_Click();
    void cmdPrint_Click();

private:
    void buildLayout();
    void showMember();
    void showTests(qint64 selectKey = 0);
    const fittests::FitTest* selectedTest() const;
    void openEntry(const fittests::FitTest& test);
    void reportFailure(const QString& what, const StoreError& error, const QString& title, const QString& advice);
    // Opens `file` of `mimeType` on the desktop, or offers to save it where no program can show it.
    void showFile(const QString& file, const QString& mimeType, const QString& suggestedName);
    QString newFileName(const QString& baseName, const QString& suffix);

    DialogService& m_dialogs;
    RecordsLocation m_location;
    fittests::MemberFitTests m_store;
    FitTestsModel m_model;
    FileOpener m_openFile;
    QString m_fileDirectory;
    QDate m_today;

    QLabel* lblFDID = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblRank = nullptr;
    QLabel* lblLastDate = nullptr;
    QLabel* lblCount = nullptr;
    QTableView* dgFitTests = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdRecording = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace vantor
