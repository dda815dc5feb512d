// The character events of eleven text boxes, and the wiring of the record commands.
#include "frmmasktesting.h"

#include "keyfilters.h"

namespace vantor {

namespace {

// The boxes whose typed characters pass a filter; the three boxes of the test date have none.
const std::pair<const char*, keyfilters::Filter> KeyFilters[] = {
    {"txtFDID", keyfilters::upperCase},
    {"txtRank", keyfilters::upperCase},
    {"txtKday", keyfilters::upperCase},
    {"txtLname", keyfilters::upperCase},
    {"txtFname", keyfilters::upperCase},
    {"txtMid", keyfilters::upperCase},
    {"txtAssign", keyfilters::upperCase},
    {"txtAssignTo", keyfilters::upperCase},
    {"txtTorF", keyfilters::specialAssignment},
    {"txtBatt", keyfilters::battalion},
    {"txtUnit", keyfilters::unit},
};

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
    for (const auto& [name, filter] : KeyFilters) {
        findChild<TextBox*>(QString::fromLatin1(name))->setKeyPressHandler([this, filter](char32_t& keyAscii) {
            apply(m_dialogs, this, filter(keyAscii), keyAscii);
        });
    }

    txtFDID->setLostFocusHandler([this] { txtFDID_LostFocus(); });
    // The mouse's way out of txtFDID onto a button (eventFilter); the access keys' way goes
    // through the buttons' own key handling, which asks accessKeyMayClick.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->installEventFilter(this);

    connect(cmdSave, &QPushButton::clicked, this, &frmMaskTesting::cmdSave_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmMaskTesting::cmdUpdate_Click);
    connect(cmdSearch, &QPushButton::clicked, this, &frmMaskTesting::cmdSearch_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMaskTesting::cmdDelete_Click);
}

} // namespace vantor
