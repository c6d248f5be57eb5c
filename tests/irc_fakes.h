#pragma once
// A transport the test plays the server on, and a sink that records what the rooms get.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "standin/net/room_sink.h"
#include "standin/net/transport.h"

namespace rv::test {

class FakeTransport : public standin::net::Transport {
  public:
    void open(const standin::net::Endpoint& where) override {
        ++opens;
        endpoint = where;
        connecting = true;
    }
    void send(std::string_view bytes) override {
        if (is_open) m_sent += bytes;
    }
    void close() override {
        is_open = connecting = false;
        ++closes;
    }

    // The server's side.
    void accept() {
        connecting = false;
        is_open = true;
        on_open();
    }
    void refuse(const std::string& reason = "Connection refused") {
        connecting = false;
        on_closed(reason);
    }
    void lose(const std::string& reason = "Remote host closed the connection") {
        is_open = false;
        on_closed(reason);
    }
    void say(const std::string& bytes) { on_data(bytes); }
    // The complete lines the client sent since the last call, without CR LF.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::size_t at;
        while ((at = m_sent.find("\r\n")) != std::string::npos) {
            out.push_back(m_sent.substr(0, at));
            m_sent.erase(0, at + 2);
        }
        return out;
    }

    int opens = 0, closes = 0;
    bool is_open = false, connecting = false;
    standin::net::Endpoint endpoint;

  private:
    std::string m_sent;
};

class RecordingSink : public standin::net::RoomSink {
  public:
    struct Line {
        std::string channel, nick, text;
        bool operator==(const Line&) const = default;
    };

    void chat_line(const std::string& c, const std::string& n, const std::string& h) override {
        chat.push_back({c, n, h});
    }
    void system_line(const std::string& c, const std::string& t) override {
        system.push_back({c, "", t});
    }
    void people_reset(const std::string& c, const std::vector<std::string>& list) override {
        people[c] = std::set<std::string>(list.begin(), list.end());
    }
    void person_joined(const std::string& c, const std::string& n) override { people[c].insert(n); }
    void person_left(const std::string& c, const std::string& n) override { people[c].erase(n); }
    void person_renamed(const std::string& c, const std::string& f, const std::string& t) override {
        people[c].erase(f);
        people[c].insert(t);
    }
    void channel_opened(const std::string& c, const std::string& from) override {
        opened.push_back({c, "", from});
    }
    void own_nick_changed(const std::string& nick) override { nicks.push_back(nick); }
    bool private_line(const std::string& n, const std::string& h) override {
        privates.push_back({"", n, h});
        return takes_private;
    }

    std::vector<Line> chat, system;
    std::vector<Line> opened;  // channel, "", the channel it was forwarded from
    std::map<std::string, std::set<std::string>> people;
    std::vector<std::string> nicks;
    std::vector<Line> privates;  // "", nick, html
    bool takes_private = true;
};

}  // namespace rv::test
