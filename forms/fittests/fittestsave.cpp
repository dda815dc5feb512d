// The entry form's checks, Save, and the recording attached from a file or removed.
#include "frmfittest.h"

#include "frmfittests.h"
#include "textbox.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace vantor {

fittests::FitTest frmFitTest::entries() const
{
    fittests::FitTest test = m_test;
    test.date = fittests::parseTypedDate(txtTestDate->text()).value_or(QDate());
    test.type = cboTestType->currentIndex() == 0 ? fittests::TestType::Qualitative : fittests::TestType::Quantitative;
    test.protocol = cboProtocol->currentData().toString();
    test.protocolOther = test.protocol == fittests::OtherProtocol ? txtProtocolOther->text().trimmed() : QString();
    test.make = txtMake->text().trimmed();
    test.model = txtModel->text().trimmed();
    test.style = cboStyle->currentText().trimmed();
    test.size = txtSize->text().trimmed();
    test.facepiece = cboFacepiece->currentIndex() == 1 ? fittests::Facepiece::Half : fittests::Facepiece::Full;
    test.tester = txtTester->text().trimmed();
    test.note = txtNote->text().trimmed();
    if (test.type == fittests::TestType::Quantitative) {
        test.fitFactor = fittests::parseFitFactor(txtFitFactor->text());
        test.passed = test.fitFactor && fittests::passes(test.facepiece, *test.fitFactor);
    } else {
        test.fitFactor.reset();
        test.passed = cboResult->currentIndex() == 0;
    }
    return test;
}

// The checks run in the order of the form and stop at the first entry they refuse.
bool frmFitTest::ValidateEntries()
{
    const fittests::FitTest test = entries();
    const bool quantitative = test.type == fittests::TestType::Quantitative;
    const std::optional<double> fitFactor = fittests::parseFitFactor(txtFitFactor->text());
    struct Check {
        bool refused;
        QWidget* box;
        QString prompt;
        QString title;
    };
    const Check checks[] = {
        {!test.date.isValid(), txtTestDate,
         tr("Please enter the date of the test as month/day/year, for example 3/7/2026."), tr("Date of Test")},
        {test.date > m_owner.today(), txtTestDate, tr("The date of the test cannot be later than today."),
         tr("Date of Test")},
        {test.protocol.isEmpty(), cboProtocol, tr("Please choose the protocol the test followed."), tr("Protocol")},
        {test.protocol == fittests::OtherProtocol && test.protocolOther.isEmpty(), txtProtocolOther,
         tr("Please describe the protocol the test followed."), tr("Protocol")},
        {test.make.isEmpty(), txtMake, tr("Please enter the make of the respirator."), tr("Make")},
        {test.model.isEmpty(), txtModel, tr("Please enter the model of the respirator."), tr("Model")},
        {test.style.isEmpty(), cboStyle, tr("Please enter the style of the respirator, such as SCBA facepiece."),
         tr("Style")},
        {test.size.isEmpty(), txtSize, tr("Please enter the size of the facepiece."), tr("Size")},
        {quantitative && (!fitFactor || *fitFactor <= 0 || *fitFactor > 1000000), txtFitFactor,
         tr("Please enter the overall fit factor the instrument reported, such as 2300."), tr("Fit Factor")},
        {!quantitative && cboResult->currentIndex() < 0, cboResult, tr("Please choose whether the test passed."),
         tr("Result")},
        {test.tester.isEmpty(), txtTester, tr("Please enter who gave the test."), tr("Tested By")},
    };
    for (const Check& check : checks) {
        if (!check.refused)
            continue;
        m_owner.dialogs().message(this, okBox(check.prompt, MsgIcon::Information, check.title));
        check.box->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void frmFitTest::cmdSave_Click()
{
    if (ValidateEntries())
        return;
    fittests::FitTest test = entries();
    bool dateSet = false;
    const StoreError error = m_owner.store().save(test, m_recording, &dateSet);
    if (error) {
        QString advice = tr("Nothing was saved; your entries are still in the form.");
        if (error.number == RowConflict)
            advice = tr("It was changed or deleted at another station after it was shown here: the list now shows "
                        "the tests as they are stored. Your entries are still in the form; Save again to store "
                        "them, or Cancel to keep what is stored.");
        m_owner.dialogs().message(this,
                                  okBox(tr("The fit test could not be saved.\r\n\r\n%1\r\n(Error %2)\r\n\r\n%3")
                                            .arg(error.description, QString::number(error.number), advice),
                                        MsgIcon::Critical, tr("Save Fit Test")));
        // What the next Save compares with is the test as stored now.
        m_owner.testSaved(m_test.key, false);
        if (error.number == RowConflict && m_test.key != 0) {
            const qsizetype row = [&] {
                for (qsizetype i = 0; i < m_owner.store().tests().size(); ++i) {
                    if (m_owner.store().tests().at(i).key == m_test.key)
                        return i;
                }
                return qsizetype(-1);
            }();
            // Deleted meanwhile: saving again records it as a new test.
            if (row < 0)
                m_test.key = 0;
        }
        return;
    }
    m_owner.testSaved(test.key, dateSet);
    close();
}

void frmFitTest::cmdAttach_Click()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file = m_owner.dialogs().openFileName(
        this,
        FileBox{tr("Attach the instrument's recording"), documents,
                tr("Recordings (*.pdf *.csv *.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp);;All files (*)")});
    if (file.isEmpty())
        return;
    const QString title = tr("Recording");
    QFile source(file);
    if (QFileInfo(file).size() > fittests::MaxRecordingBytes) {
        m_owner.dialogs().message(
            this,
            okBox(tr("%1 is %2; a recording may be at most %3.")
                      .arg(QFileInfo(file).fileName(),
                           QLocale(QLocale::English).formattedDataSize(QFileInfo(file).size()),
                           QLocale(QLocale::English).formattedDataSize(fittests::MaxRecordingBytes)),
                  MsgIcon::Exclamation, title));
        return;
    }
    if (!source.open(QIODevice::ReadOnly)) {
        m_owner.dialogs().message(
            this, okBox(tr("%1 cannot be read:\n%2").arg(file, source.errorString()), MsgIcon::Exclamation, title));
        return;
    }
    const QByteArray bytes = source.read(fittests::MaxRecordingBytes + 1);
    const QString type = fittests::recordingType(file, bytes);
    if (bytes.size() > fittests::MaxRecordingBytes || type.isEmpty()) {
        m_owner.dialogs().message(this,
                                  okBox(tr("%1 is not a recording Vantor keeps: attach the instrument's "
                                           "printout as a PDF, a CSV file or a picture.")
                                            .arg(QFileInfo(file).fileName()),
                                        MsgIcon::Exclamation, title));
        return;
    }
    m_recording = {fittests::RecordingChange::Kind::Replace, QFileInfo(file).fileName(), type, bytes};
    showRecording();
    cmdSave->setFocus(Qt::OtherFocusReason);
}

void frmFitTest::cmdRemove_Click()
{
    m_recording = {fittests::RecordingChange::Kind::Remove, {}, {}, {}};
    if (m_test.recordingName.isEmpty())
        m_recording.kind = fittests::RecordingChange::Kind::Keep;
    showRecording();
    cmdAttach->setFocus(Qt::OtherFocusReason);
}

} // namespace vantor
