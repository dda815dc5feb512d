#include "dialogservice.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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

// The box's icon, as a screen reader announces it: how grave the message is.
void nameIcon(QMessageBox& dialog, MsgIcon icon)
{
    QString name;
    switch (icon) {
    case MsgIcon::Information: name = QCoreApplication::translate("DialogService", "Information"); break;
    case MsgIcon::Exclamation: name = QCoreApplication::translate("DialogService", "Warning"); break;
    case MsgIcon::Question: name = QCoreApplication::translate("DialogService", "Question"); break;
    case MsgIcon::Critical: name = QCoreApplication::translate("DialogService", "Error"); break;
    case MsgIcon::None: return;
    }
    if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        label->setAccessibleName(name);
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
    nameIcon(dialog, box.icon);
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
        = QInputDialog::getText(parent, titleOf(box.title), box.prompt,
                                box.masked ? QLineEdit::Password : QLineEdit::Normal, box.defaultText, &ok);
    return ok ? text : QString();
}

int WidgetDialogService::choose(QWidget* parent, const ChoiceBox& box)
{
    QMessageBox dialog(toQt(box.icon), titleOf(box.title), box.prompt, QMessageBox::NoButton, parent);
    nameIcon(dialog, box.icon);
    QList<QPushButton*> buttons;
    for (const QString& caption : box.buttons)
        buttons << dialog.addButton(caption, QMessageBox::ActionRole);
    if (buttons.isEmpty())
        buttons << dialog.addButton(QMessageBox::Ok);
    const int escape = box.escapeButton >= 0 ? box.escapeButton : int(buttons.size()) - 1;
    dialog.setDefaultButton(buttons.value(box.defaultButton, buttons.first()));
    dialog.setEscapeButton(buttons.value(escape, buttons.last()));
    dialog.exec();
    const int chosen = int(buttons.indexOf(qobject_cast<QPushButton*>(dialog.clickedButton())));
    return chosen >= 0 ? chosen : escape;
}

QString WidgetDialogService::openFileName(QWidget* parent, const FileBox& box)
{
    return QFileDialog::getOpenFileName(parent, titleOf(box.title), box.path, box.filter);
}

QString WidgetDialogService::saveFileName(QWidget* parent, const FileBox& box)
{
    return QFileDialog::getSaveFileName(parent, titleOf(box.title), box.path, box.filter);
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
