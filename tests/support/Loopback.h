#pragma once

// A loopback port in front of a server. With a server port it passes each connection on to the
// server, one at a time, and counts them: the server keeps no count of refused logins that a
// test could read (pg_stat_database counts only sessions that began) and its log is not the
// test's to open, so the logins are counted on their way to it. Without one it takes
// connections and never answers: the kernel completes the handshake from the backlog while
// nobody reads.

#include <QtGlobal>

#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kema::test {

class LoopbackRelay {
public:
    explicit LoopbackRelay(quint16 serverPort = 0) : m_serverPort(serverPort) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        if (m_serverPort != 0)
            m_thread = std::thread([this] { run(); });
    }
    ~LoopbackRelay() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }
    LoopbackRelay(const LoopbackRelay&) = delete;
    LoopbackRelay& operator=(const LoopbackRelay&) = delete;
    quint16 port() const { return m_port; }
    int connections() const { return m_connections; }

private:
    static sockaddr_in loopback(quint16 port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }
    void run() {
        while (!m_stop) {
            pollfd listener{m_listener, POLLIN, 0};
            if (poll(&listener, 1, 50) <= 0)
                continue;
            const int client = accept(m_listener, nullptr, nullptr);
            if (client < 0)
                continue;
            ++m_connections;
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in address = loopback(m_serverPort);
            if (server >= 0 &&
                connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                relay(client, server);
            if (server >= 0)
                ::close(server);
            ::close(client);
        }
    }
    // Until either side closes.
    void relay(int client, int server) {
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[4096];
        while (!m_stop) {
            if (poll(ends, 2, 50) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (ends[i].revents == 0)
                    continue;
                const ssize_t n = recv(ends[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0 || send(ends[1 - i].fd, buffer, size_t(n), MSG_NOSIGNAL) != n)
                    return;
            }
        }
    }

    quint16 m_serverPort;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace kema::test
