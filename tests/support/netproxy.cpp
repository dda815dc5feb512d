#include "netproxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <string>

namespace vantor::test {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

// One way of a connection: a reader that stamps each chunk as it arrives, and a writer that
// passes it on once it has been held, so that holding one chunk never holds up the reading of
// the next.
struct Direction {
    int from = -1;
    int to = -1;
    bool fromClient = false;
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Chunk> queue;
    bool ended = false;
    std::thread reader;
    std::thread writer;
};

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

struct NetProxy::Link {
    int client = -1;
    int server = -1;
    std::mutex turnMutex;
    bool clientSpokeLast = false;
    Direction up; // client to server
    Direction down; // server to client

    ~Link()
    {
        ::shutdown(client, SHUT_RDWR);
        ::shutdown(server, SHUT_RDWR);
        for (Direction* d : {&up, &down}) {
            if (d->reader.joinable())
                d->reader.join();
            if (d->writer.joinable())
                d->writer.join();
        }
        ::close(client);
        ::close(server);
    }
};

NetProxy::NetProxy(quint16 targetPort, int holdMs)
    : m_targetPort(targetPort)
    , m_holdMs(holdMs)
{
}

NetProxy::~NetProxy()
{
    m_stopping = true;
    if (m_listener >= 0) {
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_acceptor.joinable())
            m_acceptor.join();
        ::close(m_listener);
    }
    std::lock_guard lock(m_mutex);
    m_links.clear();
}

bool NetProxy::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listener, 64) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { accept(); });
    return true;
}

void NetProxy::reset()
{
    m_turns = 0;
    m_connections = 0;
}

void NetProxy::accept()
{
    while (!m_stopping) {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (m_stopping || errno == EINVAL || errno == EBADF)
                return;
            continue;
        }
        const int server = connectTo(m_targetPort);
        if (server < 0) {
            ::close(client);
            continue;
        }
        noDelay(client);
        noDelay(server);
        ++m_connections;
        auto link = std::make_unique<Link>();
        link->client = client;
        link->server = server;
        link->up.from = client;
        link->up.to = server;
        link->up.fromClient = true;
        link->down.from = server;
        link->down.to = client;
        for (Direction* d : {&link->up, &link->down}) {
            Link* l = link.get();
            d->reader = std::thread([this, l, d] {
                char buffer[65536];
                for (;;) {
                    const ssize_t n = ::recv(d->from, buffer, sizeof buffer, 0);
                    if (n <= 0)
                        break;
                    {
                        // The server answering what the client sent last: the client waited for it.
                        std::lock_guard turn(l->turnMutex);
                        if (d->fromClient)
                            l->clientSpokeLast = true;
                        else if (l->clientSpokeLast) {
                            l->clientSpokeLast = false;
                            ++m_turns;
                        }
                    }
                    std::lock_guard lock(d->mutex);
                    d->queue.push_back({Clock::now() + std::chrono::milliseconds(m_holdMs), std::string(buffer, n)});
                    d->ready.notify_one();
                }
                std::lock_guard lock(d->mutex);
                d->ended = true;
                d->ready.notify_one();
            });
            d->writer = std::thread([d] {
                for (;;) {
                    std::unique_lock lock(d->mutex);
                    d->ready.wait(lock, [d] { return d->ended || !d->queue.empty(); });
                    if (d->queue.empty())
                        break;
                    Chunk chunk = std::move(d->queue.front());
                    d->queue.pop_front();
                    lock.unlock();
                    std::this_thread::sleep_until(chunk.due);
                    for (std::size_t sent = 0; sent < chunk.bytes.size();) {
                        const ssize_t n
                            = ::send(d->to, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                        if (n <= 0)
                            return;
                        sent += std::size_t(n);
                    }
                }
                ::shutdown(d->to, SHUT_WR);
            });
        }
        std::lock_guard lock(m_mutex);
        m_links.push_back(std::move(link));
    }
}

} // namespace vantor::test
