#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

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
    bool masked = false; // a password: what is typed is not shown
};

// A question answered by one of buttons the program names ("&Create", "&Open...", "&Quit").
struct ChoiceBox {
    QString prompt;
    QString title; // empty: the application title
    MsgIcon icon = MsgIcon::Question;
    QStringList buttons; // captions, in the order shown; '&' marks an access key
    int defaultButton = 0; // the one Enter chooses
    int escapeButton = -1; // the one Escape and the close box choose; -1: the last one
};

// A file dialog: a file to open, or a name to save under.
struct FileBox {
    QString title; // empty: the application title
    QString path; // the folder to start in, or a file name suggested in it
    QString filter; // "Workbooks (*.xlsx)"; empty: every file
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
    // The position of the button chosen.
    virtual int choose(QWidget* parent, const ChoiceBox& box) = 0;
    // The file chosen; the empty text when the user cancelled.
    virtual QString openFileName(QWidget* parent, const FileBox& box) = 0;
    virtual QString saveFileName(QWidget* parent, const FileBox& box) = 0;

    // The title shown where a box names none.
    static QString applicationTitle() { return QCoreApplication::translate("DialogService", "Vantor"); }
    static QString titleOf(const QString& title) { return title.isEmpty() ? applicationTitle() : title; }

    // The default button of a box whose caller named none: the first button.
    static MsgResult firstButton(MsgButtons buttons)
    {
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    }
};

// Shows real boxes with QMessageBox, QInputDialog and QFileDialog.
class WidgetDialogService final : public DialogService
{
public:
    MsgResult message(QWidget* parent, const MessageBox& box) override;
    QString input(QWidget* parent, const InputBox& box) override;
    int choose(QWidget* parent, const ChoiceBox& box) override;
    QString openFileName(QWidget* parent, const FileBox& box) override;
    QString saveFileName(QWidget* parent, const FileBox& box) override;
};

// Shorthand for the common boxes.
MessageBox okBox(const QString& prompt, MsgIcon icon, const QString& title = {});
MessageBox yesNoBox(const QString& prompt, const QString& title);

} // namespace vantor
