#pragma once
// For tests against real sockets: real IRC servers (irc_servers.h), a tiny plain-socket IRC
// client to play the other people in the channel, and a bare listening socket to play a
// misbehaving server.
#include <functional>
#include <string>
#include <vector>

#include "tests/irc/irc_servers.h"

namespace rv::test {

// Waits while Qt runs events, at most `limit_s` seconds; true when `done` came true. Every
// wait in these tests is bounded by such a limit, chosen generously: it is only reached
// when something is broken.
bool wait_until(const std::function<bool()>& done, double limit_s);

// A free TCP port on 127.0.0.1 at the time of asking.
int free_port();

// A blocking-free IRC client for the test's own side of the channel.
class Peer {
  public:
    ~Peer();
    bool connect(int port);
    // Signs on and waits for the welcome (bounded).
    bool sign_on(const std::string& nick);
    bool join(const std::string& channel);
    void send(const std::string& raw_line);  // CR LF added
    void say(const std::string& channel, const std::string& text) {
        send("PRIVMSG " + channel + " :" + text);
    }
    // Reads what has arrived (answers PINGs); complete lines accumulate in lines().
    void poll();
    const std::vector<std::string>& lines() const { return m_lines; }
    // The texts of PRIVMSGs to `channel`, in order.
    std::vector<std::string> said_in(const std::string& channel) const;
    bool has_line_containing(const std::string& text) const;
    void close();
    bool connected() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
    std::string m_partial;
    std::vector<std::string> m_lines;
};

// A listening socket that accepts one connection at a time and sends what the test says.
class FakeServer {
  public:
    FakeServer();
    ~FakeServer();
    int port() const { return m_port; }
    bool accept_client(double limit_s);
    void send(const std::string& bytes);
    void poll();  // reads what the client sent, and notes when it hung up
    bool client_hung_up() const { return m_hung_up; }
    void drop_client();
    const std::string& received() const { return m_received; }

  private:
    int m_listen = -1, m_client = -1, m_port = 0;
    std::string m_received;
    bool m_hung_up = false;
};

}  // namespace rv::test
