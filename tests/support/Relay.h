#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <thread>

namespace kema::test {

// A stand-in for a database server on a loopback port: passes every connection made to it on
// to the real server and counts them (the server keeps no count of refused logins a test could
// read). It can die as a server does: at once (serverDown), or when a client sends a message
// containing `dieAt` (the statement it will not answer); a dead relay has closed every
// connection and refuses new ones. Without a server port it takes connections and never
// answers: the kernel completes the handshake from the backlog while nobody reads.
class Relay {
public:
    explicit Relay(quint16 serverPort = 0, QByteArray dieAt = {});
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    quint16 port() const { return m_port; }
    int connections() const { return m_connections; }
    bool dead() const { return m_dead; }
    void serverDown();

private:
    void run();

    quint16 m_serverPort;
    QByteArray m_dieAt;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_dead{false};
    std::atomic<bool> m_closed{false}; // the thread has closed everything of a dead relay
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The ODBC connection string with its PORT replaced.
QString withPort(const QString& connection, quint16 port);

} // namespace kema::test
