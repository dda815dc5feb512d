// The fit-test entry form's controls, in twips, each label the access key of its box.
#include "frmfittest.h"

#include "appearance.h"
#include "keyfilters.h"
#include "textbox.h"

namespace vantor {

using appearance::addButton;
using appearance::addLabel;
using appearance::twipsRect;

namespace {

constexpr int LabelLeft = 240;
constexpr int LabelWidth = 1740;
constexpr int FieldLeft = 2040;
constexpr int RowHeight = 375;

int rowTop(int row)
{
    return 240 + row * 480;
}

QLabel* caption(QWidget* form, const char* name, const QString& text, int row, int left = LabelLeft,
                int width = LabelWidth)
{
    return addLabel(form, name, text, twipsRect(left, rowTop(row) + 75, width, 240));
}

TextBox* box(QWidget* form, const char* name, int row, int left, int width, int limit, bool upperCase, QLabel* label)
{
    auto* textBox = new TextBox(form);
    textBox->setObjectName(QString::fromLatin1(name));
    textBox->setGeometry(twipsRect(left, rowTop(row), width, RowHeight));
    textBox->setFont(appearance::controlFont());
    textBox->setTypingLimit(limit);
    if (upperCase)
        textBox->setKeyPressHandler([](char32_t& code) { code = keyfilters::upperCase(code).code; });
    label->setBuddy(textBox);
    textBox->setAccessibleName(QString(label->text()).remove(u'&').remove(u':'));
    return textBox;
}

QComboBox* combo(QWidget* form, const char* name, int row, int width, QLabel* label, bool editable = false)
{
    auto* comboBox = new QComboBox(form);
    comboBox->setObjectName(QString::fromLatin1(name));
    comboBox->setGeometry(twipsRect(FieldLeft, rowTop(row), width, RowHeight));
    comboBox->setFont(appearance::controlFont());
    comboBox->setEditable(editable);
    label->setBuddy(comboBox);
    comboBox->setAccessibleName(QString(label->text()).remove(u'&').remove(u':'));
    return comboBox;
}

} // namespace

void frmFitTest::buildLayout()
{
    setObjectName(QStringLiteral("frmFitTest"));
    appearance::setUpWindow(this, QString(), QSize(8400, 6480));

    txtTestDate = box(this, "txtTestDate", 0, FieldLeft, 1500, 10, false, caption(this, "Label1", tr("&Date:"), 0));
    addLabel(this, "Label2", tr("month/day/year"), twipsRect(3660, rowTop(0) + 75, 2000, 240));
    cboTestType = combo(this, "cboTestType", 1, 2520, caption(this, "Label3", tr("&Type:"), 1));
    cboProtocol = combo(this, "cboProtocol", 2, 6120, caption(this, "Label4", tr("&Protocol:"), 2));
    txtProtocolOther = box(this, "txtProtocolOther", 3, FieldLeft, 6120, 200, false,
                           caption(this, "Label5", tr("Ot&her protocol:"), 3));
    txtMake = box(this, "txtMake", 4, FieldLeft, 2520, 40, true, caption(this, "Label6", tr("Ma&ke:"), 4));
    txtModel = box(this, "txtModel", 4, 5520, 2640, 40, true, caption(this, "Label7", tr("&Model:"), 4, 4680, 780));
    cboStyle = combo(this, "cboStyle", 5, 2520, caption(this, "Label8", tr("St&yle:"), 5), true);
    txtSize = box(this, "txtSize", 5, 5520, 1200, 10, true, caption(this, "Label9", tr("Si&ze:"), 5, 4680, 780));
    cboFacepiece = combo(this, "cboFacepiece", 6, 2520, caption(this, "Label10", tr("&Facepiece:"), 6));

    lblFitFactor = caption(this, "lblFitFactor", tr("Fit fact&or:"), 7);
    txtFitFactor = box(this, "txtFitFactor", 7, FieldLeft, 1500, 12, false, lblFitFactor);
    lblResultCaption = caption(this, "lblResultCaption", tr("&Result:"), 7);
    cboResult = combo(this, "cboResult", 7, 1500, lblResultCaption);
    lblResult = addLabel(this, "lblResult", QString(), twipsRect(3660, rowTop(7) + 75, 4500, 240));
    lblResult->setAccessibleName(tr("Result worked out from the fit factor"));

    txtTester = box(this, "txtTester", 8, FieldLeft, 3600, 60, true, caption(this, "Label11", tr("Tested &by:"), 8));
    txtNote = box(this, "txtNote", 9, FieldLeft, 6120, 500, false, caption(this, "Label12", tr("&Note:"), 9));

    caption(this, "Label13", tr("Recording:"), 10);
    lblRecording = addLabel(this, "lblRecording", QString(), twipsRect(FieldLeft, rowTop(10) + 75, 3700, 240));
    lblRecording->setAccessibleName(tr("Recording"));
    cmdAttach = addButton(this, "cmdAttach", tr("&Attach..."), twipsRect(5880, rowTop(10) - 60, 1095, 495),
                          tr("Click to attach the instrument's recording: a PDF, CSV file or picture"));
    cmdRemove = addButton(this, "cmdRemove", tr("Remo&ve"), twipsRect(7080, rowTop(10) - 60, 1095, 495),
                          tr("Click to remove the recording from this fit test"));
    cmdSave
        = addButton(this, "cmdSave", tr("&Save"), twipsRect(5880, 5760, 1095, 495), tr("Click to save this fit test"));
    cmdCancel = addButton(this, "cmdCancel", tr("Cancel"), twipsRect(7080, 5760, 1095, 495),
                          tr("Click to close without saving"));
    for (QPushButton* button : {cmdAttach, cmdRemove, cmdSave, cmdCancel}) {
        button->setAccessibleName(QString(button->text()).remove(u'&').remove(QStringLiteral("...")));
        button->setAccessibleDescription(button->toolTip());
    }
    cmdSave->setDefault(true);
    for (TextBox* textBox :
         {txtTestDate, txtProtocolOther, txtMake, txtModel, txtSize, txtFitFactor, txtTester, txtNote})
        textBox->setDefaultButtonHandler([this] { return clickDefaultButton(); });

    const QList<QWidget*> order{txtTestDate, cboTestType, cboProtocol,  txtProtocolOther, txtMake,   txtModel,
                                cboStyle,    txtSize,     cboFacepiece, txtFitFactor,     cboResult, txtTester,
                                txtNote,     cmdAttach,   cmdRemove,    cmdSave,          cmdCancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));

    connect(cmdSave, &QPushButton::clicked, this, &frmFitTest::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFitTest::cmdCancel_Click);
    connect(cmdAttach, &QPushButton::clicked, this, &frmFitTest::cmdAttach_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmFitTest::cmdRemove_Click);
}

} // namespace vantor
