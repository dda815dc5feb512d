#include "scripteddialogs.h"

namespace vantor::test {

MsgResult ScriptedDialogService::message(QWidget*, const MessageBox& box)
{
    messages << box;
    if (m_hook)
        m_hook(box);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (m_random) {
        switch (box.buttons) {
        case MsgButtons::Ok: return MsgResult::Ok;
        case MsgButtons::OkCancel: return m_random->bounded(2) ? MsgResult::Ok : MsgResult::Cancel;
        case MsgButtons::YesNo: return m_random->bounded(2) ? MsgResult::Yes : MsgResult::No;
        }
    }
    ++unanswered;
    return box.defaultButton;
}

QString ScriptedDialogService::input(QWidget*, const InputBox& box)
{
    inputs << box;
    if (!m_inputAnswers.isEmpty())
        return m_inputAnswers.dequeue();
    if (m_random && !m_randomInputs.isEmpty())
        return m_randomInputs.at(m_random->bounded(int(m_randomInputs.size())));
    ++unanswered;
    return QString();
}

void ScriptedDialogService::clear()
{
    messages.clear();
    inputs.clear();
    unanswered = 0;
    m_answers.clear();
    m_inputAnswers.clear();
    m_hook = nullptr;
    m_random = nullptr;
    m_randomInputs.clear();
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
