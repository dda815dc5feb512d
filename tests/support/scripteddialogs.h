#pragma once

#include <dialogservice.h>

#include <QList>
#include <QQueue>

#include <functional>

namespace vantor::test {

// Answers boxes from a script and keeps every box shown, so a test sees what the user saw.
class ScriptedDialogService final : public DialogService
{
public:
    MsgResult message(QWidget*, const MessageBox& box) override
    {
        messages << box;
        if (m_hook)
            m_hook(box);
        return m_answers.isEmpty() ? box.defaultButton : m_answers.dequeue();
    }
    QString input(QWidget*, const InputBox& box) override
    {
        inputs << box;
        return m_inputAnswers.isEmpty() ? QString() : m_inputAnswers.dequeue();
    }
    void answer(MsgResult result) { m_answers.enqueue(result); }
    void answerInput(const QString& text) { m_inputAnswers.enqueue(text); }
    // Runs while a box is "open": lets a test act as a user could while the modal box shows.
    void onMessage(std::function<void(const MessageBox&)> hook) { m_hook = std::move(hook); }
    bool allAnswersUsed() const { return m_answers.isEmpty() && m_inputAnswers.isEmpty(); }
    void clear() { messages.clear(), inputs.clear(), m_answers.clear(), m_inputAnswers.clear(), m_hook = nullptr; }

    QList<MessageBox> messages;
    QList<InputBox> inputs;

private:
    QQueue<MsgResult> m_answers;
    QQueue<QString> m_inputAnswers;
    std::function<void(const MessageBox&)> m_hook;
};

} // namespace vantor::test
