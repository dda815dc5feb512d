#pragma once

#include <QString>

class QWidget;

namespace vantor {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

// One modal message box, as the user sees it.
struct MessageBox {
    QString prompt;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    MsgResult defaultButton = MsgResult::Ok;
    QString title; // empty: the application title
};

// One modal input box.
struct InputBox {
    QString prompt;
    QString title; // empty: the application title
    QString defaultText;
};

// Every message box and input box of the program goes through this service, so that
// tests can answer them and see exactly what was shown.
class DialogService
{
public:
    virtual ~DialogService() = default;

    virtual MsgResult message(QWidget* parent, const MessageBox& box) = 0;
    // The text typed; Cancel gives the empty text, as does OK with nothing typed.
    virtual QString input(QWidget* parent, const InputBox& box) = 0;

    // The title shown where a box names none.
    static QString applicationTitle() { return QStringLiteral("Vantor"); }
    static QString titleOf(const QString& title) { return title.isEmpty() ? applicationTitle() : title; }

    // The default button of a box whose caller named none: the first button.
    static MsgResult firstButton(MsgButtons buttons)
    {
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    }
};

// Shows real boxes with QMessageBox and QInputDialog.
class WidgetDialogService final : public DialogService
{
public:
    MsgResult message(QWidget* parent, const MessageBox& box) override;
    QString input(QWidget* parent, const InputBox& box) override;
};

// Shorthand for the common boxes.
MessageBox okBox(const QString& prompt, MsgIcon icon, const QString& title = {});
MessageBox yesNoBox(const QString& prompt, const QString& title);

} // namespace vantor
