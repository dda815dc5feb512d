#pragma once

#include <memberfittests.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace vantor {

class frmFitTests;
class TextBox;

// The entry form of one fit test, new or changed: everything the record of a test holds,
// checked when it is saved, and its recording attached from a file.
class frmFitTest : public QWidget
{
    Q_OBJECT
public:
    // `test` is the test to change, or (key 0) what a new one starts from.
    frmFitTest(frmFitTests& owner, const fittests::FitTest& test);
    ~frmFitTest() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdAttach_Click();
    void cmdRemove_Click();
    void cboTestType_Click();
    void cboStyle_Change();
    void showResult();

private:
    void buildLayout();
    void showTest();
    void fillProtocols();
    void showRecording();
    void txtTestDate_LostFocus();
    // True when an entry was rejected: its message shown, the focus in the box at fault.
    bool ValidateEntries();
    fittests::FitTest entries() const;
    bool clickDefaultButton();

    frmFitTests& m_owner;
    fittests::FitTest m_test;
    fittests::RecordingChange m_recording;

    TextBox* txtTestDate = nullptr;
    QComboBox* cboTestType = nullptr;
    QComboBox* cboProtocol = nullptr;
    TextBox* txtProtocolOther = nullptr;
    TextBox* txtMake = nullptr;
    TextBox* txtModel = nullptr;
    QComboBox* cboStyle = nullptr;
    TextBox* txtSize = nullptr;
    QComboBox* cboFacepiece = nullptr;
    QLabel* lblFitFactor = nullptr;
    TextBox* txtFitFactor = nullptr;
    QLabel* lblResultCaption = nullptr;
    QComboBox* cboResult = nullptr;
    QLabel* lblResult = nullptr;
    TextBox* txtTester = nullptr;
    TextBox* txtNote = nullptr;
    QLabel* lblRecording = nullptr;
    QPushButton* cmdAttach = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace vantor
