#pragma once
// A peer that opens TCP connections to a loopback port and resets each at once, from a thread of
// its own, while the test's thread runs the host's event loop. It keeps at most `window`
// connections ahead of what the host has handled (`handled`, counted by the test on its thread),
// so the listener's backlog never overflows and no connection waits for a retransmission. The
// resets leave no connection in TIME_WAIT on either side, so tens of thousands fit the port range.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

class ConnectionFlood {
public:
    ConnectionFlood(quint16 port, int count, const std::atomic<int> &handled, int window = 16)
        : m_thread([this, port, count, &handled, window] { run(port, count, handled, window); })
    {
    }
    ~ConnectionFlood()
    {
        m_stop = true;
        m_thread.join();
    }
    ConnectionFlood(const ConnectionFlood &) = delete;
    ConnectionFlood &operator=(const ConnectionFlood &) = delete;

    bool finished() const { return m_finished; }
    int opened() const { return m_opened; }
    int failures() const { return m_failures; }

private:
    void run(quint16 port, int count, const std::atomic<int> &handled, int window)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (m_opened < count && !m_stop && std::chrono::steady_clock::now() < deadline) {
            if (m_opened - handled.load() >= window) {
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                continue;
            }
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
                ++m_failures;
                if (fd >= 0)
                    ::close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
            ++m_opened;
        }
        m_finished = true;
    }

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_opened{0};
    std::atomic<int> m_failures{0};
    std::thread m_thread; // last: starts when everything else is in place
};
