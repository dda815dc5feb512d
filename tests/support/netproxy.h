#pragma once

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantor::test {

// A relay between clients and a server on this machine, as a network between a station and
// headquarters would carry their bytes. It counts the turns at which a client waits for the
// server (a chunk from the server after one from the client: one round trip), and can hold every
// chunk for a while in each direction, so that a server on loopback answers as one across a
// city does. Each chunk keeps its place: a long answer streams at once, late by the hold alone.
class NetProxy
{
public:
    // Relays connections to 127.0.0.1:<port()> to 127.0.0.1:`targetPort`, holding each chunk
    // `holdMs` on its way in each direction: a round trip of twice that.
    explicit NetProxy(quint16 targetPort, int holdMs = 0);
    ~NetProxy();
    NetProxy(const NetProxy&) = delete;
    NetProxy& operator=(const NetProxy&) = delete;

    // Listens on a free port of 127.0.0.1; false when no socket could be had.
    bool start();
    quint16 port() const { return m_port; }

    // Round trips and connections since start() or the last reset().
    qint64 turns() const { return m_turns.load(); }
    qint64 connections() const { return m_connections.load(); }
    void reset();

private:
    struct Link;
    void accept();

    const quint16 m_targetPort;
    const int m_holdMs;
    quint16 m_port = 0;
    int m_listener = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<qint64> m_turns{0};
    std::atomic<qint64> m_connections{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Link>> m_links;
};

} // namespace vantor::test
