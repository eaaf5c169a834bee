#include "Relay.h"

#include <QRegularExpression>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace kema::test {
namespace {

sockaddr_in loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

struct Pair {
    int client = -1;
    int server = -1;
    QByteArray tail; // the client's last bytes, for a text split between two reads
};

void closePair(Pair& pair) {
    ::close(pair.client);
    ::close(pair.server);
    pair.client = pair.server = -1;
}

} // namespace

Relay::Relay(quint16 serverPort, QByteArray dieAt)
    : m_serverPort(serverPort), m_dieAt(std::move(dieAt)) {
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listener, 16) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    if (m_serverPort != 0)
        m_thread = std::thread([this] { run(); });
}

Relay::~Relay() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (!m_closed && m_listener >= 0)
        ::close(m_listener);
}

void Relay::serverDown() {
    m_dead = true;
    // The relay's thread closes what is open at its next turn.
    while (m_thread.joinable() && !m_closed)
        std::this_thread::yield();
}

void Relay::run() {
    std::vector<Pair> pairs;
    char buffer[8192];
    while (!m_stop && !m_dead) {
        std::vector<pollfd> ends{{m_listener, POLLIN, 0}};
        for (const Pair& pair : pairs) {
            ends.push_back({pair.client, POLLIN, 0});
            ends.push_back({pair.server, POLLIN, 0});
        }
        if (poll(ends.data(), ends.size(), 20) <= 0)
            continue;
        if (ends[0].revents & POLLIN) {
            const int client = accept(m_listener, nullptr, nullptr);
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in address = loopback(m_serverPort);
            if (client >= 0 && server >= 0 &&
                connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                ++m_connections;
                pairs.push_back({client, server, {}});
            } else {
                ::close(client);
                ::close(server);
            }
        }
        for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
            if (ends[i + 1].revents == 0)
                continue;
            Pair& pair = pairs[i / 2];
            if (pair.client < 0)
                continue;
            const bool fromClient = i % 2 == 0;
            const ssize_t n = recv(ends[i + 1].fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                closePair(pair);
                continue;
            }
            if (fromClient && !m_dieAt.isEmpty()) {
                pair.tail += QByteArray(buffer, n);
                if (pair.tail.contains(m_dieAt)) {
                    m_dead = true;
                    break;
                }
                pair.tail = pair.tail.right(m_dieAt.size());
            }
            if (send(fromClient ? pair.server : pair.client, buffer, size_t(n), MSG_NOSIGNAL) != n)
                closePair(pair);
        }
        std::erase_if(pairs, [](const Pair& pair) { return pair.client < 0; });
    }
    for (Pair& pair : pairs)
        closePair(pair);
    if (m_dead) {
        ::close(m_listener);
        m_closed = true;
    }
}

QString withPort(const QString& connection, quint16 port) {
    return QString(connection)
        .replace(QRegularExpression(u"(?i)\\bPORT=\\d+"_s), u"PORT=%1"_s.arg(port));
}

} // namespace kema::test
