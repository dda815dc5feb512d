#pragma once

#include "dialogservice.h"
#include "historymodel.h"

#include <recordslocation.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

namespace vantor {

// The History window: every change of a member's record and of its fit tests, newest first,
// who made it and when, and each field's value before and after. It changes nothing.
class frmHistory : public QWidget
{
    Q_OBJECT
public:
    // With an owner, the window stays above it and gives it the activation back when it closes.
    frmHistory(DialogService& dialogs, RecordsLocation location, QWidget* owner = nullptr);
    ~frmHistory() override;

    // Reads the history of the member whose hidden row key in MT is `memberKey`. On failure the
    // user has been told why, and the window must not be shown.
    bool Form_Load(qint64 memberKey);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void showEntry();

    DialogService& m_dialogs;
    RecordsLocation m_location;
    HistoryModel m_model;

    QLabel* lblFDID = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblCount = nullptr;
    QTableView* dgHistory = nullptr;
    QPlainTextEdit* txtChanges = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace vantor
