// The character events of eleven text boxes, and the wiring of the record commands.
#include "frmmasktesting.h"

#include "keyfilters.h"

namespace vantor {

namespace {

// Applies a filter's decision to the typed code; a refusal is explained before the key goes.
void apply(DialogService& dialogs, QWidget* parent, const keyfilters::KeyDecision& decision, char32_t& keyAscii)
{
    if (decision.action == keyfilters::KeyAction::Refuse) {
        dialogs.message(parent, decision.message);
        keyAscii = 0;
        return;
    }
    keyAscii = decision.code;
}

} // namespace

void frmMaskTesting::connectRecordHandlers()
{
    const std::pair<TextBox*, void (frmMaskTesting::*)(char32_t&)> filters[] = {
        {txtFDID, &frmMaskTesting::txtFDID_KeyPress},     {txtRank, &frmMaskTesting::txtRank_KeyPress},
        {txtKday, &frmMaskTesting::txtKday_KeyPress},     {txtLname, &frmMaskTesting::txtLname_KeyPress},
        {txtFname, &frmMaskTesting::txtFname_KeyPress},   {txtMid, &frmMaskTesting::txtMid_KeyPress},
        {txtAssign, &frmMaskTesting::txtAssign_KeyPress}, {txtAssignTo, &frmMaskTesting::txtAssignTo_KeyPress},
        {txtTorF, &frmMaskTesting::txtTorF_KeyPress},     {txtBatt, &frmMaskTesting::txtBatt_KeyPress},
        {txtUnit, &frmMaskTesting::txtUnit_KeyPress},
    };
    for (const auto& [box, handler] : filters)
        box->setKeyPressHandler([this, handler](char32_t& keyAscii) { (this->*handler)(keyAscii); });

    txtFDID->setLostFocusHandler([this] { txtFDID_LostFocus(); });
    for (QPushButton* button : findChildren<QPushButton*>())
        button->installEventFilter(this);

    connect(cmdSave, &QPushButton::clicked, this, &frmMaskTesting::cmdSave_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmMaskTesting::cmdUpdate_Click);
    connect(cmdSearch, &QPushButton::clicked, this, &frmMaskTesting::cmdSearch_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMaskTesting::cmdDelete_Click);
}

void frmMaskTesting::txtFDID_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtRank_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtKday_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtLname_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtFname_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtMid_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtAssign_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtAssignTo_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::upperCase(keyAscii), keyAscii);
}

void frmMaskTesting::txtTorF_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::specialAssignment(keyAscii), keyAscii);
}

void frmMaskTesting::txtBatt_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::battalion(keyAscii), keyAscii);
}

void frmMaskTesting::txtUnit_KeyPress(char32_t& keyAscii)
{
    apply(m_dialogs, this, keyfilters::unit(keyAscii), keyAscii);
}

} // namespace vantor
