#include "tests/irc/irc_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace rv::test {

namespace {

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int connect_to(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

void send_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    const double give_up = seconds() + 10;
    while (fd >= 0 && done < bytes.size() && seconds() < give_up) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 20);
            // Let the other end (often the program under test, on this thread) read.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
        }
    }
}

}  // namespace

bool wait_until(const std::function<bool()>& done, double limit_s) {
    const double give_up = seconds() + limit_s;
    while (!done()) {
        if (seconds() > give_up) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();  // sleeps until an event or 10 ms: never spins
    }
    return true;
}

int free_port() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

Peer::~Peer() {
    close();
}

bool Peer::connect(int port) {
    close();
    m_fd = connect_to(port);
    return m_fd >= 0;
}

bool Peer::sign_on(const std::string& nick) {
    send("NICK " + nick);
    send("USER " + nick + " 0 * :test peer");
    return wait_until(
        [&] {
            poll();
            return has_line_containing(" 001 " + nick + " ");
        },
        10);
}

bool Peer::join(const std::string& channel) {
    send("JOIN " + channel);
    return wait_until(
        [&] {
            poll();
            return has_line_containing(" 366 ");
        },
        10);
}

void Peer::send(const std::string& raw_line) {
    send_all(m_fd, raw_line + "\r\n");
}

void Peer::poll() {
    char buf[65536];
    for (;;) {
        if (m_fd < 0) return;
        ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n == 0) {
            close();
            return;
        }
        if (n < 0) return;
        m_partial.append(buf, static_cast<std::size_t>(n));
        std::size_t at;
        while ((at = m_partial.find("\r\n")) != std::string::npos) {
            std::string line = m_partial.substr(0, at);
            m_partial.erase(0, at + 2);
            if (line.rfind("PING ", 0) == 0) send("PONG " + line.substr(5));
            m_lines.push_back(std::move(line));
        }
    }
}

std::vector<std::string> Peer::said_in(const std::string& channel) const {
    std::vector<std::string> out;
    const std::string mark = " PRIVMSG " + channel + " :";
    for (const auto& l : m_lines) {
        std::size_t at = l.find(mark);
        if (at != std::string::npos) out.push_back(l.substr(at + mark.size()));
    }
    return out;
}

bool Peer::has_line_containing(const std::string& text) const {
    for (const auto& l : m_lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

void Peer::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

FakeServer::FakeServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a = loopback(0);
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    ::listen(m_listen, 4);
    ::fcntl(m_listen, F_SETFL, O_NONBLOCK);
}

FakeServer::~FakeServer() {
    drop_client();
    ::close(m_listen);
}

bool FakeServer::accept_client(double limit_s) {
    drop_client();
    m_hung_up = false;
    return wait_until(
        [this] {
            m_client = ::accept(m_listen, nullptr, nullptr);
            if (m_client >= 0) ::fcntl(m_client, F_SETFL, O_NONBLOCK);
            return m_client >= 0;
        },
        limit_s);
}

void FakeServer::send(const std::string& bytes) {
    send_all(m_client, bytes);
}

void FakeServer::poll() {
    char buf[4096];
    ssize_t n = -1;
    while (m_client >= 0 && (n = ::recv(m_client, buf, sizeof buf, 0)) > 0)
        m_received.append(buf, static_cast<std::size_t>(n));
    if (m_client >= 0 && n == 0) m_hung_up = true;
}

void FakeServer::drop_client() {
    if (m_client >= 0) ::close(m_client);
    m_client = -1;
}

}  // namespace rv::test
