#include "dialogservice.h"

#include <QInputDialog>
#include <QMessageBox>

namespace vantor {

namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toQt(MsgResult button)
{
    switch (button) {
    case MsgResult::Ok: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

} // namespace

MsgResult WidgetDialogService::message(QWidget* parent, const MessageBox& box)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (box.buttons == MsgButtons::YesNo)
        buttons = QMessageBox::Yes | QMessageBox::No;
    else if (box.buttons == MsgButtons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;

    QMessageBox dialog(toQt(box.icon), titleOf(box.title), box.prompt, buttons, parent);
    dialog.setDefaultButton(toQt(box.defaultButton));
    // Escape answers No where there is no Cancel, as the old boxes did.
    if (box.buttons == MsgButtons::YesNo)
        dialog.setEscapeButton(QMessageBox::No);
    switch (dialog.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: break;
    }
    return box.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

QString WidgetDialogService::input(QWidget* parent, const InputBox& box)
{
    bool ok = false;
    const QString text
        = QInputDialog::getText(parent, titleOf(box.title), box.prompt, QLineEdit::Normal, box.defaultText, &ok);
    return ok ? text : QString();
}

MessageBox okBox(const QString& prompt, MsgIcon icon, const QString& title)
{
    return MessageBox{prompt, MsgButtons::Ok, icon, MsgResult::Ok, title};
}

MessageBox yesNoBox(const QString& prompt, const QString& title)
{
    return MessageBox{prompt, MsgButtons::YesNo, MsgIcon::Question, MsgResult::Yes, title};
}

} // namespace vantor
