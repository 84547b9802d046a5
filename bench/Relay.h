#pragma once

// A delaying TCP relay on the loopback: every chunk either way is forwarded `delayMs` after
// it arrived, so a round trip costs twice that, as over a slow shop network. Buffers are
// bounded (a side is not read while its chunks wait). Counts round trips: a burst from the
// client that follows data from the server (or opens the connection).
#include <atomic>
#include <thread>

#include <QString>

namespace bench {

class Relay
{
public:
    Relay(const QString &host, int port, int delayMs);
    ~Relay();
    Relay(const Relay &) = delete;
    Relay &operator=(const Relay &) = delete;

    int port() const { return m_port; }
    long long roundTrips() const { return m_roundTrips.load(); }

private:
    void run();
    int m_listen = -1;
    int m_port = 0;
    QString m_host;
    int m_target = 0;
    int m_delayMs;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_roundTrips{0};
    std::thread m_thread;
};

} // namespace bench
