#pragma once

#include <dialogservice.h>

#include <QList>
#include <QQueue>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantor::test {

// A dialog service for tests: answers boxes from a script and keeps every box it was
// shown, so that a test can check exactly what the user would have seen.
class ScriptedDialogService final : public DialogService
{
public:
    MsgResult message(QWidget* parent, const MessageBox& box) override;
    QString input(QWidget* parent, const InputBox& box) override;

    // Answers for the next boxes, in order.
    void answer(MsgResult result) { m_answers.enqueue(result); }
    void answerInput(const QString& text) { m_inputAnswers.enqueue(text); }
    // Called while a box is "open", after it has been recorded: lets a test act the way
    // a user could while the modal box shows (or check the window's state at that moment).
    void onMessage(std::function<void(const MessageBox&)> hook) { m_hook = std::move(hook); }

    QList<MessageBox> messages;   // every message box shown, in order
    QList<InputBox> inputs;       // every input box shown, in order
    int unanswered = 0;           // boxes shown with no scripted answer left

    // Once the scripted answers run out, answers at random instead of with the default:
    // one of the box's buttons, or one of `inputAnswers` for an input box. Null `rng` ends it.
    void answerAtRandom(QRandomGenerator* rng, QStringList inputAnswers = {QString()})
    {
        m_random = rng;
        m_randomInputs = std::move(inputAnswers);
    }

    bool allAnswersUsed() const { return m_answers.isEmpty() && m_inputAnswers.isEmpty(); }
    void clear();

private:
    QQueue<MsgResult> m_answers;
    QQueue<QString> m_inputAnswers;
    std::function<void(const MessageBox&)> m_hook;
    QRandomGenerator* m_random = nullptr;
    QStringList m_randomInputs;
};

// Readable descriptions for failure messages.
QString describe(const MessageBox& box);

} // namespace vantor::test
