// The FDID form, tested whenever the focus moves from txtFDID to another control.
#include "fdidvalidation.h"

#include "frmmasktesting.h"

#include <QEvent>

namespace vantor {

namespace fdid {

bool hasForm(const QString& text)
{
    if (text.size() != 4)
        return false;
    const char16_t first = text.at(0).unicode();
    if (!((first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z')))
        return false;
    for (qsizetype i = 1; i < 4; ++i) {
        if (text.at(i).unicode() < u'0' || text.at(i).unicode() > u'9')
            return false;
    }
    return true;
}

MessageBox note()
{
    return okBox(frmMaskTesting::tr("The information that you have entered is not valid or you forgot to make an "
                                    "entry:\r\n"
                                    "1. The FDID is REQUIRED!\r\n"
                                    "2. The FDID must be in the A123 format!\r\n"
                                    "For example: First entry must be a letter followed by three numbers!"),
                 MsgIcon::None, frmMaskTesting::tr("Note"));
}

} // namespace fdid

void frmMaskTesting::txtFDID_LostFocus()
{
    FDIDValidation();
}

void frmMaskTesting::FDIDValidation()
{
    // An empty box passes: whether an FDID is required is decided on save and update.
    if (txtFDID->text().isEmpty() || fdid::hasForm(txtFDID->text()))
        return;
    m_dialogs.message(this, fdid::note());
    txtFDID->showText(QString());
    txtFDID->setFocus(Qt::OtherFocusReason);
}

// The old buttons took the focus when their access key was pressed, so leaving txtFDID by
// an access key tests the FDID just as leaving it by a click does. False when the test
// refused the FDID and kept the focus in the box: the command is not carried out then.
bool frmMaskTesting::accessKeyMayClick(QPushButton* button)
{
    if (focusWidget() != txtFDID || !txtFDID->hasFocus() || !button->isEnabled()
        || !(button->focusPolicy() & Qt::TabFocus))
        return true;
    button->setFocus(Qt::ShortcutFocusReason);
    return focusWidget() != txtFDID;
}

bool frmMaskTesting::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button)
        return QWidget::eventFilter(watched, event);
    // A click on a button first gives it the focus; when the FDID test refused to let the
    // focus go, the click is dropped along with the move. (An access key asks
    // accessKeyMayClick from the button's own key handling.)
    if (event->type() == QEvent::MouseButtonPress && event->spontaneous() && (button->focusPolicy() & Qt::ClickFocus)
        && focusWidget() == txtFDID)
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace vantor
