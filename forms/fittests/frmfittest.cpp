// The fit-test entry form: what it shows, what it checks, and Save and Cancel.
#include "frmfittest.h"

#include "frmfittests.h"
#include "textbox.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>

namespace vantor {

namespace {

// Styles a clerk picks from, each with the class its facepiece is tested as; any other may be typed.
struct StyleChoice {
    const char* text;
    fittests::Facepiece facepiece;
};
const StyleChoice Styles[] = {
    {QT_TRANSLATE_NOOP("vantor::frmFitTest", "SCBA facepiece"), fittests::Facepiece::Full},
    {QT_TRANSLATE_NOOP("vantor::frmFitTest", "Full facepiece air-purifying"), fittests::Facepiece::Full},
    {QT_TRANSLATE_NOOP("vantor::frmFitTest", "Full facepiece PAPR"), fittests::Facepiece::Full},
    {QT_TRANSLATE_NOOP("vantor::frmFitTest", "Half mask air-purifying"), fittests::Facepiece::Half},
    {QT_TRANSLATE_NOOP("vantor::frmFitTest", "Filtering facepiece"), fittests::Facepiece::Half},
};

// A fit factor is digits, grouped by commas where the clerk copies them so, and one decimal.
bool fitFactorCharacter(char32_t code)
{
    return (code >= U'0' && code <= U'9') || code == U',' || code == U'.' || code == 8 || code == 9;
}

} // namespace

frmFitTest::frmFitTest(frmFitTests& owner, const fittests::FitTest& test)
    : QWidget(&owner, Qt::Dialog)
    , m_owner(owner)
    , m_test(test)
{
    buildLayout();
    const fittests::Member& member = owner.store().member();
    setWindowTitle(
        (test.key ? tr("Change Fit Test - %1 %2") : tr("New Fit Test - %1 %2")).arg(member.id, member.name()));
    cboTestType->addItem(fittests::typeName(fittests::TestType::Qualitative));
    cboTestType->addItem(fittests::typeName(fittests::TestType::Quantitative));
    for (const StyleChoice& style : Styles)
        cboStyle->addItem(tr(style.text), int(style.facepiece));
    cboFacepiece->addItem(fittests::facepieceName(fittests::Facepiece::Full));
    cboFacepiece->addItem(fittests::facepieceName(fittests::Facepiece::Half));
    cboResult->addItems({tr("Pass"), tr("Fail")});
    txtTestDate->setLostFocusHandler([this] { txtTestDate_LostFocus(); });
    txtFitFactor->setKeyPressHandler([this](char32_t& code) {
        if (fitFactorCharacter(code))
            return;
        m_owner.dialogs().message(this,
                                  okBox(tr("The fit factor is the number the instrument reports, such as "
                                           "2300 or 145.5."),
                                        MsgIcon::Information, tr("Fit Factor")));
        code = 0;
    });
    showTest();
    connect(cboTestType, &QComboBox::currentIndexChanged, this, &frmFitTest::cboTestType_Click);
    connect(cboStyle, &QComboBox::currentIndexChanged, this, &frmFitTest::cboStyle_Change);
    connect(cboFacepiece, &QComboBox::currentIndexChanged, this, &frmFitTest::showResult);
    connect(cboProtocol, &QComboBox::currentIndexChanged, this,
            [this] { txtProtocolOther->setEnabled(cboProtocol->currentData().toString() == fittests::OtherProtocol); });
    connect(txtFitFactor, &QLineEdit::textChanged, this, &frmFitTest::showResult);
    txtTestDate->setFocus(Qt::OtherFocusReason);
}

frmFitTest::~frmFitTest() = default;

void frmFitTest::showTest()
{
    txtTestDate->showText(fittests::shownDate(m_test.date));
    cboTestType->setCurrentIndex(m_test.type == fittests::TestType::Qualitative ? 0 : 1);
    fillProtocols();
    cboProtocol->setCurrentIndex(cboProtocol->findData(m_test.protocol));
    txtProtocolOther->showText(m_test.protocolOther);
    txtProtocolOther->setEnabled(m_test.protocol == fittests::OtherProtocol);
    txtMake->showText(m_test.make);
    txtModel->showText(m_test.model);
    cboStyle->setCurrentIndex(-1);
    cboStyle->setEditText(m_test.style);
    txtSize->showText(m_test.size);
    cboFacepiece->setCurrentIndex(m_test.facepiece == fittests::Facepiece::Full ? 0 : 1);
    txtFitFactor->showText(m_test.fitFactor ? fittests::shownFitFactor(*m_test.fitFactor) : QString());
    // A new qualitative test has no result until the clerk chooses one.
    cboResult->setCurrentIndex(m_test.key == 0 ? -1 : (m_test.passed ? 0 : 1));
    txtTester->showText(m_test.tester);
    txtNote->showText(m_test.note);
    cboTestType_Click();
    showRecording();
}

// The protocols of the chosen type, "other" last; the one chosen stays where it still applies.
void frmFitTest::fillProtocols()
{
    const QString chosen = cboProtocol->currentData().toString();
    const auto type
        = cboTestType->currentIndex() == 0 ? fittests::TestType::Qualitative : fittests::TestType::Quantitative;
    const QSignalBlocker quiet(cboProtocol);
    cboProtocol->clear();
    for (const fittests::Protocol& protocol : fittests::protocols()) {
        if (!protocol.type || *protocol.type == type)
            cboProtocol->addItem(QCoreApplication::translate("vantor::fittests", protocol.name),
                                 QString::fromLatin1(protocol.code));
    }
    cboProtocol->setCurrentIndex(cboProtocol->findData(chosen));
}

void frmFitTest::cboTestType_Click()
{
    fillProtocols();
    txtProtocolOther->setEnabled(cboProtocol->currentData().toString() == fittests::OtherProtocol);
    const bool quantitative = cboTestType->currentIndex() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{lblFitFactor, txtFitFactor, lblResult})
        w->setVisible(quantitative);
    for (QWidget* w : std::initializer_list<QWidget*>{lblResultCaption, cboResult})
        w->setVisible(!quantitative);
    showResult();
}

void frmFitTest::cboStyle_Change()
{
    if (cboStyle->currentIndex() >= 0)
        cboFacepiece->setCurrentIndex(cboStyle->currentData().toInt() == int(fittests::Facepiece::Full) ? 0 : 1);
}

// A quantitative test's result follows from its fit factor and the facepiece's class.
void frmFitTest::showResult()
{
    const auto facepiece = cboFacepiece->currentIndex() == 1 ? fittests::Facepiece::Half : fittests::Facepiece::Full;
    const QString rule = facepiece == fittests::Facepiece::Full ? tr("a full facepiece needs %1 or more")
                                                                : tr("a half facepiece needs %1 or more");
    const QString needed = rule.arg(fittests::passingFitFactor(facepiece));
    const std::optional<double> fitFactor = fittests::parseFitFactor(txtFitFactor->text());
    if (!fitFactor)
        lblResult->setText(tr("Passes where %1").arg(needed));
    else if (fittests::passes(facepiece, *fitFactor))
        lblResult->setText(tr("Pass: %1").arg(needed));
    else
        lblResult->setText(tr("Fail: %1").arg(needed));
}

void frmFitTest::showRecording()
{
    const bool removed = m_recording.kind == fittests::RecordingChange::Kind::Remove;
    const bool replaced = m_recording.kind == fittests::RecordingChange::Kind::Replace;
    const QString name = replaced ? m_recording.name : removed ? QString() : m_test.recordingName;
    const qint64 size = replaced ? m_recording.bytes.size() : m_test.recordingSize;
    lblRecording->setText(name.isEmpty() ? tr("none")
                                         : tr("%1 (%2)").arg(name, QLocale(QLocale::English).formattedDataSize(size)));
    cmdRemove->setEnabled(!name.isEmpty());
}

void frmFitTest::txtTestDate_LostFocus()
{
    const QString typed = txtTestDate->text();
    if (typed.trimmed().isEmpty())
        return;
    // What the date was read as is shown at once: "3/7/26" becomes 03/07/2026.
    if (const std::optional<QDate> date = fittests::parseTypedDate(typed)) {
        txtTestDate->showText(fittests::shownDate(*date));
        return;
    }
    m_owner.dialogs().message(this,
                              okBox(tr("The date of the test is not a date. Type it as month/day/year, for "
                                       "example 3/7/2026."),
                                    MsgIcon::Exclamation, tr("Date of Test")));
    txtTestDate->setFocus(Qt::OtherFocusReason);
}

void frmFitTest::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The clerk goes on in the list of tests, whatever the window manager picks.
void frmFitTest::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_owner.activateWindow();
}

bool frmFitTest::clickDefaultButton()
{
    cmdSave->click();
    return true;
}

void frmFitTest::cmdCancel_Click()
{
    if (m_owner.dialogs().message(this, yesNoBox(tr("Do you wish to cancel this operation?"), tr("Cancel")))
        == MsgResult::Yes)
        close();
}

} // namespace vantor
