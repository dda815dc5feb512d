#include "serverwait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <poll.h>

#include <algorithm>
#include <atomic>

namespace vantor {

namespace {

std::atomic<int> timeoutSeconds{DefaultServerTimeout};
std::atomic<ServerWaitObserver*> observer{nullptr};
// The wait under way on this thread, if any.
thread_local ServerWait* active = nullptr;
thread_local bool refusedDuringActive = false;

// A server on the same machine or network answers most statements within a few
// milliseconds: they are waited for without running the event loop at all.
constexpr int QuickPollMs = 10;
// After this long the observer is told, and shows that the program waits.
constexpr int AnnounceAfterMs = 1000;

bool canRunEventLoop()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread() && QAbstractEventDispatcher::instance();
}

short pollEvents(ServerWait::Want want)
{
    switch (want) {
    case ServerWait::Want::Read: return POLLIN;
    case ServerWait::Want::Write: return POLLOUT;
    case ServerWait::Want::Either: break;
    }
    return POLLIN | POLLOUT;
}

} // namespace

struct ServerWait::State {
    bool stopped = false;
};

void setServerTimeout(int seconds)
{
    timeoutSeconds = std::max(1, seconds);
}

int serverTimeout()
{
    return timeoutSeconds;
}

void setServerWaitObserver(ServerWaitObserver* newObserver)
{
    observer = newObserver;
}

ServerWaitObserver* serverWaitObserver()
{
    return observer;
}

ServerWait::ServerWait(QString server)
    : m_server(std::move(server))
    , m_seconds(serverTimeout())
    , m_deadline(qint64(m_seconds) * 1000)
    , m_announceAt(AnnounceAfterMs)
    , m_state(std::make_shared<State>())
{
    if (active) {
        refusedDuringActive = true;
        return;
    }
    m_admitted = true;
    active = this;
    refusedDuringActive = false;
}

ServerWait::~ServerWait()
{
    if (!m_admitted)
        return;
    active = nullptr;
    const bool repaint = m_announced || std::exchange(refusedDuringActive, false);
    if (ServerWaitObserver* o = observer; repaint && o && canRunEventLoop())
        o->waitEnded();
}

ServerWait::Outcome ServerWait::forSocket(int socket, Want want)
{
    if (m_state->stopped)
        return Outcome::Stopped;
    pollfd fd{socket, pollEvents(want), 0};
    const int quick = int(std::min<qint64>(QuickPollMs, m_deadline.remainingTime()));
    if (::poll(&fd, 1, std::max(quick, 0)) != 0)
        return Outcome::Ready;
    if (!canRunEventLoop())
        return pollOnly(socket, want);

    QEventLoop loop;
    bool ready = false;
    QSocketNotifier reading(qintptr(socket), QSocketNotifier::Read);
    QSocketNotifier writing(qintptr(socket), QSocketNotifier::Write);
    reading.setEnabled(want != Want::Write);
    writing.setEnabled(want != Want::Read);
    for (QSocketNotifier* notifier : {&reading, &writing})
        QObject::connect(notifier, &QSocketNotifier::activated, &loop, [&ready, &reading, &writing] {
            ready = true;
            reading.setEnabled(false);
            writing.setEnabled(false);
        });
    // Wakes the loop when the observer is due and when the time is up.
    QTimer alarm;
    alarm.setSingleShot(true);
    while (!ready && !m_state->stopped) {
        if (m_deadline.hasExpired())
            return Outcome::TimedOut;
        if (!m_announced && m_announceAt.hasExpired())
            announce();
        const QDeadlineTimer next = m_announced ? m_deadline : std::min(m_deadline, m_announceAt);
        alarm.start(int(std::clamp<qint64>(next.remainingTime(), 0, 60000)) + 1);
        // Until the observer's window shows, keys and clicks wait: none may start another
        // action while this one waits. Once it shows, it is modal and takes them itself.
        loop.processEvents(QEventLoop::WaitForMoreEvents
                           | (m_announced ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents));
    }
    return ready ? Outcome::Ready : Outcome::Stopped;
}

// Without an event loop (a thread of its own) the wait simply blocks, within the same bound.
ServerWait::Outcome ServerWait::pollOnly(int socket, Want want)
{
    for (;;) {
        if (m_deadline.hasExpired())
            return Outcome::TimedOut;
        pollfd fd{socket, pollEvents(want), 0};
        const int slice = int(std::clamp<qint64>(m_deadline.remainingTime(), 0, 1000));
        const int result = ::poll(&fd, 1, slice);
        if (result > 0 || (result < 0 && errno != EINTR))
            return Outcome::Ready;
    }
}

void ServerWait::announce()
{
    m_announceAt = QDeadlineTimer::Forever;
    ServerWaitObserver* o = observer;
    if (!o)
        return;
    m_announced = true;
    o->waitStarted(m_server, [weak = std::weak_ptr<State>(m_state)] {
        if (const std::shared_ptr<State> state = weak.lock()) {
            state->stopped = true;
            if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
                dispatcher->wakeUp();
        }
    });
}

StoreError ServerWait::failure(Outcome outcome) const
{
    // Closing the connection may have come after the server stored the change, or before.
    const QString unsure = QStringLiteral("A change that was being saved may or may not have been stored: look at the "
                                          "record again once the server answers.");
    if (outcome == Outcome::Stopped)
        return StoreError::make(ServerUnavailable,
                                QStringLiteral("%1: You stopped waiting for the server's answer. Vantor closed its "
                                               "connection; the next action connects again. %2")
                                    .arg(m_server, unsure));
    return StoreError::make(
        ServerUnavailable,
        QStringLiteral("%1: The server did not answer within %2 seconds. Vantor stopped waiting and "
                       "closed its connection; the next action connects again. %3")
            .arg(m_server, QString::number(m_seconds), unsure));
}

StoreError ServerWait::refused(const QString& server)
{
    if (active)
        refusedDuringActive = true;
    return StoreError::make(Busy,
                            QStringLiteral("%1: Vantor is still waiting for the server's answer to an earlier "
                                           "request; this one was not sent.")
                                .arg(server));
}

} // namespace vantor
