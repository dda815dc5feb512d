#include "scripteddialogs.h"

namespace vantor::test {

MsgResult ScriptedDialogService::message(QWidget*, const MessageBox& box)
{
    messages << box;
    if (m_hook)
        m_hook(box);
    if (m_answers.isEmpty()) {
        ++unanswered;
        return box.defaultButton;
    }
    return m_answers.dequeue();
}

QString ScriptedDialogService::input(QWidget*, const InputBox& box)
{
    inputs << box;
    if (m_inputAnswers.isEmpty()) {
        ++unanswered;
        return QString();
    }
    return m_inputAnswers.dequeue();
}

void ScriptedDialogService::clear()
{
    messages.clear();
    inputs.clear();
    unanswered = 0;
    m_answers.clear();
    m_inputAnswers.clear();
    m_hook = nullptr;
}

QString describe(const MessageBox& box)
{
    return QStringLiteral("[%1] %2 (icon %3, buttons %4, default %5)")
        .arg(DialogService::titleOf(box.title), box.prompt)
        .arg(int(box.icon))
        .arg(int(box.buttons))
        .arg(int(box.defaultButton));
}

} // namespace vantor::test
