#pragma once

#include <serverwait.h>

#include <QCoreApplication>
#include <QPointer>

class QDialog;

namespace vantor {

// While the store waits for a server longer than a moment, a small modal window names the
// server and offers to stop waiting; the action that waited then reports the store's error as
// it reports any other. Installed once, for every window of the program.
class ServerWaitWindow final : public ServerWaitObserver
{
    Q_DECLARE_TR_FUNCTIONS(vantor::ServerWaitWindow)

public:
    ~ServerWaitWindow() override;

    void waitStarted(const QString& server, const std::function<void()>& stop) override;
    void waitEnded() override;

    // Makes the store tell the program's one wait window of every later wait.
    static void install();

private:
    ServerWaitWindow() = default;

    QPointer<QDialog> m_window;
};

} // namespace vantor
