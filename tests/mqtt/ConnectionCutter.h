#pragma once
// A TCP relay between the program and the broker that can lose what the
// program sends and then cut the connection, as a network that fails does:
// the readings on their way then never reach the broker, and no answer for
// them comes back.

#include "MqttBroker.h"

#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <vector>

class ConnectionCutter {
public:
    explicit ConnectionCutter(int brokerPort) : target(brokerPort)
    {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
        relayPort = ntohs(a.sin_port);
        ::listen(listener, 4);
        worker = std::thread([this] { run(); });
    }
    ~ConnectionCutter()
    {
        stopping = true;
        worker.join();
        ::close(listener);
        closeAll();
    }

    int port() const { return relayPort; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(relayPort); }
    // From now on what the program sends is lost on the way.
    void loseWhatIsSent() { losing = true; }
    // Closes every connection; new ones are relayed faithfully again.
    void cut()
    {
        std::lock_guard lock(mutex);
        closeAll();
        losing = false;
    }

private:
    struct Pair {
        int program;
        int broker;
    };

    void closeAll()
    {
        for (const Pair& p : pairs) {
            ::close(p.program);
            ::close(p.broker);
        }
        pairs.clear();
    }

    void run()
    {
        while (!stopping) {
            std::vector<pollfd> fds{{listener, POLLIN, 0}};
            std::vector<Pair> now;
            {
                std::lock_guard lock(mutex);
                now = pairs;
            }
            for (const Pair& p : now) {
                fds.push_back({p.program, POLLIN, 0});
                fds.push_back({p.broker, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 20) <= 0)
                continue;
            std::lock_guard lock(mutex);
            if (fds[0].revents & POLLIN) {
                const int program = ::accept(listener, nullptr, nullptr);
                const int broker = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                a.sin_port = htons(quint16(target));
                if (program >= 0 && ::connect(broker, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
                    pairs.push_back({program, broker});
                } else {
                    ::close(program);
                    ::close(broker);
                }
            }
            if (pairs != now)
                continue;  // cut meanwhile: these sockets are gone
            for (std::size_t i = 0; i < now.size(); ++i) {
                if (!relay(fds[1 + 2 * i], now[i].broker, losing) || !relay(fds[2 + 2 * i], now[i].program, false)) {
                    closePair(now[i]);
                    break;
                }
            }
        }
    }

    // Moves what `from` has to `to` (or loses it); false when `from` closed.
    static bool relay(const pollfd& from, int to, bool lose)
    {
        if (!(from.revents & (POLLIN | POLLHUP | POLLERR)))
            return true;
        char buffer[4096];
        const ssize_t n = ::read(from.fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        if (!lose)
            [[maybe_unused]] const ssize_t written = ::write(to, buffer, std::size_t(n));
        return true;
    }

    void closePair(const Pair& p)
    {
        ::close(p.program);
        ::close(p.broker);
        std::erase_if(pairs, [&](const Pair& q) { return q.program == p.program; });
    }

    friend bool operator==(const Pair& a, const Pair& b) { return a.program == b.program && a.broker == b.broker; }

    int target;
    int listener = -1;
    int relayPort = 0;
    std::atomic<bool> stopping{false};
    std::atomic<bool> losing{false};
    std::mutex mutex;
    std::vector<Pair> pairs;
    std::thread worker;
};
