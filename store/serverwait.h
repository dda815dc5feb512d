#pragma once

#include "storeerror.h"

#include <QDeadlineTimer>
#include <QString>

#include <functional>
#include <memory>

namespace vantor {

// How long the store waits for a database server's answer, in seconds, before it gives up on
// that connection: the program's setting, handed to the store at start-up. Connecting, every
// statement and the network's own checks (TCP keepalives) are bounded by it.
constexpr int DefaultServerTimeout = 15;
void setServerTimeout(int seconds);
int serverTimeout();

// Told when the store has waited about a second for a server's answer, so that a window can
// show that it waits and let the user stop waiting; the store itself shows nothing.
class ServerWaitObserver
{
public:
    virtual ~ServerWaitObserver() = default;
    // The store waits for `server` (as server::describe names it); `stop` gives up the wait.
    virtual void waitStarted(const QString& server, const std::function<void()>& stop) = 0;
    // The wait announced has ended, or a read asked for during a wait was refused: whatever
    // was painted without it can be painted again now.
    virtual void waitEnded() = 0;
};
// The observer every later wait tells; null for none (the commands).
void setServerWaitObserver(ServerWaitObserver* observer);
ServerWaitObserver* serverWaitObserver();

// One statement's wait for a server: from before it is sent until its last answer is read.
// While it waits the thread's event loop runs, so that windows keep painting; input to them
// is held back until the modal window of the observer shows. A second wait cannot begin
// while one is under way (a window repainting during the first must not send a statement).
class ServerWait
{
public:
    enum class Outcome { Ready, TimedOut, Stopped };
    // What the socket is waited for: to be read, to be written, or whichever comes first.
    enum class Want { Read, Write, Either };

    explicit ServerWait(QString server);
    ~ServerWait();
    ServerWait(const ServerWait&) = delete;
    ServerWait& operator=(const ServerWait&) = delete;

    // False when another wait is under way; nothing may be sent then.
    bool admitted() const { return m_admitted; }
    // Waits until `socket` is ready as wanted, the time is up, or the user stopped waiting.
    Outcome forSocket(int socket, Want want);
    // Why the wait ended without an answer, as the store's error for `server`.
    StoreError failure(Outcome outcome) const;
    // What a statement gets that was asked for while another wait was under way.
    static StoreError refused(const QString& server);

private:
    struct State;
    Outcome pollOnly(int socket, Want want);
    void announce();

    QString m_server;
    int m_seconds;
    QDeadlineTimer m_deadline;
    QDeadlineTimer m_announceAt;
    bool m_admitted = false;
    bool m_announced = false;
    std::shared_ptr<State> m_state;
};

} // namespace vantor
