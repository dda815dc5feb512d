// Browse, entry and edit mode: Add, Edit and Cancel, and the button sets every handler leaves.
#include "frmmasktesting.h"

namespace vantor {

namespace {

constexpr bool On = true;
constexpr bool Off = false;
constexpr bool Locked = true;
constexpr bool Open = false;

struct ModeSetting {
    // cmdSearch, cmdAdd, cmdSave, cmdEdit, cmdUpdate, cmdQuery, cmdDelete, cmdExit. cmdCancel
    // is in no set: it is enabled in every state.
    std::array<bool, 8> buttons;
    bool locked; // the text boxes: locked and pale green, or open to typing and white
};

// Indexed by frmMaskTesting::Mode. Update runs only where Save is off already, so turning
// Save off after it changes nothing.
// clang-format off
constexpr ModeSetting Modes[] = {
    // Search Add  Save Edit Update Query Delete Exit   boxes
    {{On,     On,  Off, On,  Off,   On,   Off,   On},   Locked}, // Browse: start-up, Cancel
    {{Off,    Off, On,  Off, Off,   Off,  Off,   On},   Open},   // Entry: Add
    {{Off,    Off, Off, Off, On,    Off,  Off,   On},   Open},   // Edit
    {{On,     On,  Off, On,  On,    On,   Off,   On},   Locked}, // after Save
    {{On,     On,  Off, On,  Off,   On,   On,    On},   Locked}, // after Update
};
// clang-format on

} // namespace

void frmMaskTesting::setMode(Mode mode)
{
    const ModeSetting& setting = Modes[int(mode)];
    QPushButton* const buttons[] = {cmdSearch, cmdAdd, cmdSave, cmdEdit, cmdUpdate, cmdQuery, cmdDelete, cmdExit};
    for (std::size_t i = 0; i < setting.buttons.size(); ++i)
        buttons[i]->setEnabled(setting.buttons[i]);
    if (setting.locked)
        LockFields();
    else
        UnlockFields();
}

void frmMaskTesting::cmdAdd_Click()
{
    m_blnAdding = true;
    setMode(Mode::Entry);
    for (TextBox* box : m_fieldBoxes)
        box->showText(QString());
    txtMonthTested->setFocus(Qt::OtherFocusReason);
}

void frmMaskTesting::cmdEdit_Click()
{
    setMode(Mode::Edit);
    txtMonthTested->setFocus(Qt::OtherFocusReason);
}

void frmMaskTesting::cmdCancel_Click()
{
    if (m_dialogs.message(this, yesNoBox(tr("Do you wish to cancel this operation?"), tr("Cancel"))) != MsgResult::Yes)
        return;
    setMode(Mode::Browse);
}

} // namespace vantor
