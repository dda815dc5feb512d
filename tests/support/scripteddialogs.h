#pragma once

#include <dialogservice.h>

#include <QList>
#include <QQueue>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <functional>

namespace vantor::test {

// Answers boxes from a script and keeps every box shown, so a test sees what the user saw.
//
// A box the script does not answer gets the answer Enter gives (the default button, the empty
// text, no file), a few times over: a test need not script the OK of every note. Past that the
// test fails, and every further box gets the answer Escape gives, so that a program that asks
// again and again ends its questions rather than asking without end.
class ScriptedDialogService final : public DialogService
{
public:
    // Boxes answered without a script before the test fails.
    static constexpr int UnscriptedAllowed = 3;

    MsgResult message(QWidget*, const MessageBox& box) override
    {
        messages << box;
        if (m_hook)
            m_hook(box);
        if (!m_answers.isEmpty())
            return m_answers.dequeue();
        if (m_random && box.buttons != MsgButtons::Ok)
            return m_random->bounded(2) ? DialogService::firstButton(box.buttons)
                                        : (box.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel);
        if (!m_random && !unscripted(QStringLiteral("message box \"%1\"").arg(box.prompt)))
            return escapeAnswer(box.buttons);
        return box.defaultButton;
    }
    QString input(QWidget*, const InputBox& box) override
    {
        inputs << box;
        if (!m_inputAnswers.isEmpty())
            return m_inputAnswers.dequeue();
        if (m_random && !m_randomInputs.isEmpty())
            return m_randomInputs.at(m_random->bounded(int(m_randomInputs.size())));
        if (!m_random)
            unscripted(QStringLiteral("input box \"%1\"").arg(box.prompt));
        return QString();
    }
    int choose(QWidget*, const ChoiceBox& box) override
    {
        choices << box;
        if (!m_choiceAnswers.isEmpty())
            return m_choiceAnswers.dequeue();
        if (m_random && !box.buttons.isEmpty())
            return m_random->bounded(int(box.buttons.size()));
        if (!m_random && !unscripted(QStringLiteral("question \"%1\"").arg(box.prompt)))
            return box.escapeButton >= 0 ? box.escapeButton : int(box.buttons.size()) - 1;
        return box.defaultButton;
    }
    QString openFileName(QWidget*, const FileBox& box) override { return fileAnswer(box); }
    QString saveFileName(QWidget*, const FileBox& box) override { return fileAnswer(box); }

    void answer(MsgResult result) { m_answers.enqueue(result); }
    void answerChoice(int button) { m_choiceAnswers.enqueue(button); }
    // The file the next file dialog returns; the empty text cancels it.
    void answerFile(const QString& path) { m_fileAnswers.enqueue(path); }
    void answerInput(const QString& text) { m_inputAnswers.enqueue(text); }
    // Runs while a box is "open": lets a test act as a user could while the modal box shows.
    void onMessage(std::function<void(const MessageBox&)> hook) { m_hook = std::move(hook); }
    // Once the script runs out, answers at random instead of with the default: one of the
    // box's buttons, or one of `inputAnswers` for an input box. A null `rng` ends it.
    void answerAtRandom(QRandomGenerator* rng, QStringList inputAnswers = {QString()})
    {
        m_random = rng;
        m_randomInputs = std::move(inputAnswers);
    }
    bool allAnswersUsed() const
    {
        return m_answers.isEmpty() && m_inputAnswers.isEmpty() && m_choiceAnswers.isEmpty() && m_fileAnswers.isEmpty();
    }
    void clear()
    {
        messages.clear(), inputs.clear(), choices.clear(), files.clear();
        m_answers.clear(), m_inputAnswers.clear(), m_choiceAnswers.clear(), m_fileAnswers.clear();
        m_hook = nullptr;
        m_unscripted = 0;
    }

    QList<MessageBox> messages;
    QList<InputBox> inputs;
    QList<ChoiceBox> choices;
    QList<FileBox> files;

private:
    QString fileAnswer(const FileBox& box)
    {
        files << box;
        if (!m_fileAnswers.isEmpty())
            return m_fileAnswers.dequeue();
        if (!m_random)
            unscripted(QStringLiteral("file dialog \"%1\"").arg(box.title));
        return QString();
    }
    static MsgResult escapeAnswer(MsgButtons buttons)
    {
        switch (buttons) {
        case MsgButtons::YesNo: return MsgResult::No;
        case MsgButtons::OkCancel: return MsgResult::Cancel;
        case MsgButtons::Ok: break;
        }
        return MsgResult::Ok;
    }
    // Counts a box answered without a script; false once there have been too many. A program
    // that does not take Escape's answer for one either is stopped outright, before it fills
    // the memory with the boxes it keeps.
    bool unscripted(const QString& what)
    {
        if (++m_unscripted <= UnscriptedAllowed)
            return true;
        if (m_unscripted == UnscriptedAllowed + 1)
            QTest::qFail(qPrintable(QStringLiteral("More than %1 boxes were answered without a script; the last: %2")
                                        .arg(UnscriptedAllowed)
                                        .arg(what)),
                         __FILE__, __LINE__);
        if (m_unscripted > UnscriptedAllowed + 100)
            qFatal("The program went on asking after Escape's answer: %s", qPrintable(what));
        return false;
    }

    QQueue<MsgResult> m_answers;
    QQueue<QString> m_inputAnswers;
    QQueue<int> m_choiceAnswers;
    QQueue<QString> m_fileAnswers;
    std::function<void(const MessageBox&)> m_hook;
    QRandomGenerator* m_random = nullptr;
    QStringList m_randomInputs;
    int m_unscripted = 0;
};

} // namespace vantor::test
