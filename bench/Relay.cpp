#include "Relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include <QByteArray>

#include "Bench.h"

namespace bench {

namespace {

using RelayClock = std::chrono::steady_clock;
constexpr size_t kMaxQueued = 256 * 1024; // per direction
constexpr size_t kChunk = 64 * 1024;

struct Chunk
{
    RelayClock::time_point due;
    QByteArray bytes;
};

struct Direction
{
    std::deque<Chunk> queue;
    size_t queued = 0;
    bool closed = false; // the source is done; close the destination once drained
};

struct Pair
{
    int client = -1, server = -1;
    Direction up, down; // client to server, server to client
    bool serverSpoke = true; // the next client burst opens a round trip
    bool dead = false;
};

void nonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Reads what is there into the direction's queue; false on end or error.
bool pull(int fd, Direction &d, std::chrono::milliseconds delay)
{
    char buf[kChunk];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
        d.queue.push_back({RelayClock::now() + delay, QByteArray(buf, int(n))});
        d.queued += size_t(n);
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

// Writes every chunk whose time has come; false when the destination is gone.
bool push(int fd, Direction &d)
{
    const auto now = RelayClock::now();
    while (!d.queue.empty() && d.queue.front().due <= now) {
        Chunk &c = d.queue.front();
        const ssize_t n = ::send(fd, c.bytes.constData(), size_t(c.bytes.size()), MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        d.queued -= size_t(n);
        if (n < c.bytes.size()) {
            c.bytes.remove(0, int(n));
            return true;
        }
        d.queue.pop_front();
    }
    return true;
}

} // namespace

Relay::Relay(const QString &host, int port, int delayMs)
    : m_host(host), m_target(port), m_delayMs(delayMs)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        fail(QStringLiteral("relay: no loopback port"));
    m_port = ntohs(a.sin_port);
    nonBlocking(m_listen);
    m_thread = std::thread([this] { run(); });
}

Relay::~Relay()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

void Relay::run()
{
    const std::chrono::milliseconds delay(m_delayMs);
    std::vector<std::unique_ptr<Pair>> pairs;
    while (!m_stop) {
        std::vector<pollfd> fds{{m_listen, POLLIN, 0}};
        auto next = RelayClock::now() + std::chrono::milliseconds(50);
        for (const auto &p : pairs) {
            const short upIn = p->up.queued < kMaxQueued && !p->up.closed ? POLLIN : 0;
            const short downIn = p->down.queued < kMaxQueued && !p->down.closed ? POLLIN : 0;
            fds.push_back({p->client, short(upIn | (p->down.queue.empty() ? 0 : POLLOUT)), 0});
            fds.push_back({p->server, short(downIn | (p->up.queue.empty() ? 0 : POLLOUT)), 0});
            for (const Direction *d : {&p->up, &p->down})
                if (!d->queue.empty() && d->queue.front().due < next)
                    next = d->queue.front().due;
        }
        // Wakes when a chunk falls due; a socket that is writable but has nothing due yet
        // must not spin the loop, so POLLOUT counts only once the time has come.
        for (size_t i = 1; i < fds.size(); ++i)
            fds[i].events &= short(~POLLOUT);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            next - RelayClock::now());
        ::poll(fds.data(), nfds_t(fds.size()), int(std::max<long long>(0, wait.count())));
        if (fds[0].revents & POLLIN) {
            const int c = ::accept(m_listen, nullptr, nullptr);
            if (c >= 0) {
                const int s = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_port = htons(quint16(m_target));
                inet_pton(AF_INET, m_host.toLatin1().constData(), &a.sin_addr);
                if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
                    nonBlocking(c);
                    nonBlocking(s);
                    auto p = std::make_unique<Pair>();
                    p->client = c;
                    p->server = s;
                    pairs.push_back(std::move(p));
                } else {
                    ::close(c);
                    if (s >= 0)
                        ::close(s);
                }
            }
        }
        for (size_t i = 0; i < pairs.size(); ++i) {
            Pair &p = *pairs[i];
            const pollfd &cf = fds[1 + 2 * i], &sf = fds[2 + 2 * i];
            if (cf.revents & (POLLIN | POLLHUP | POLLERR)) {
                const size_t before = p.up.queued;
                if (!pull(p.client, p.up, delay))
                    p.up.closed = true;
                if (p.up.queued > before && p.serverSpoke) {
                    ++m_roundTrips;
                    p.serverSpoke = false;
                }
            }
            if (sf.revents & (POLLIN | POLLHUP | POLLERR)) {
                const size_t before = p.down.queued;
                if (!pull(p.server, p.down, delay))
                    p.down.closed = true;
                if (p.down.queued > before)
                    p.serverSpoke = true;
            }
            if (!push(p.server, p.up) || !push(p.client, p.down))
                p.dead = true;
            if ((p.up.closed && p.up.queue.empty()) || (p.down.closed && p.down.queue.empty()))
                p.dead = true;
        }
        for (auto it = pairs.begin(); it != pairs.end();) {
            if ((*it)->dead) {
                ::close((*it)->client);
                ::close((*it)->server);
                it = pairs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto &p : pairs) {
        ::close(p->client);
        ::close(p->server);
    }
}

} // namespace bench
