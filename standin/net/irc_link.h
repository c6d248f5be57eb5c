#pragma once
// The client's link to one IRC server: signs on, keeps every room joined as a channel,
// delivers what the channels say to the rooms, and sends the rooms' lines out, paced. It
// stays up by itself: PING/PONG, a watchdog for a silent server, reconnection with growing
// pauses. Plain C++ on the EventLoop; the socket is behind a Transport.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/event_loop.h"
#include "standin/net/backoff.h"
#include "standin/net/irc_message.h"
#include "standin/net/line_reader.h"
#include "standin/net/one_shot.h"
#include "standin/net/pacer.h"
#include "standin/net/room_sink.h"
#include "standin/net/transport.h"

namespace rv::standin::net {

struct LinkSettings {
    PacingSettings pacing;
    ReconnectSettings reconnect;
    std::size_t queue_limit = 500;    // lines kept waiting, online or not
    int watchdog_ms = 5000;           // how often the link looks at a quiet connection
    int idle_ping_s = 120;            // a server silent this long is asked for a PONG
    int ping_timeout_s = 60;          // and given this long to answer
    int register_timeout_s = 60;      // from connecting until signed on
    int join_timeout_s = 30;          // a JOIN left unanswered this long has failed
    int nick_poll_s = 120;            // asking after a taken nick, where the server cannot watch it
    std::size_t max_members = 10000;  // people kept per channel
    int notices_per_window = 10;      // join/part/quit lines per channel per window
    int notice_window_s = 10;
};

class IrcLink {
  public:
    enum class State { Offline, Connecting, Registering, Online, Waiting, Leaving };

    IrcLink(EventLoop& loop, Transport& transport, RoomSink& sink, LinkSettings settings = {});
    ~IrcLink();
    IrcLink(const IrcLink&) = delete;
    IrcLink& operator=(const IrcLink&) = delete;

    // Signs on at `server` as `nick` (a screen name; made a valid nick) and joins
    // `server.channel` when it names one. `password` may be empty; it is the server's
    // password and, where the server offers it over TLS or on this machine, the password of
    // `account` (empty: the screen name) for signing in with SASL. With a client certificate
    // (`server.client_cert`, over TLS) the link signs in with that instead where the server
    // takes it (SASL EXTERNAL). A refused sign-in is said in the rooms and not tried again.
    void start(const Endpoint& server, const std::string& nick, const std::string& password,
               const std::string& account = {});
    // Signs off and stays off, at once.
    void stop(const std::string& reason = "Leaving");
    // Signs off as a person does: what is still queued goes out at once (unpaced: the program
    // is ending), then QUIT; the connection closes when the server answers (ERROR or closing
    // it) or after `limit_ms`, and the link is Offline from then on.
    void leave(const std::string& reason, int limit_ms = 2000);
    // Adds a room; joined now when signed on, and again after every reconnection. A join
    // ends in the channel, in the channel the server sends the room on to, or in a system
    // line saying why not (the server's refusal, or no answer within join_timeout_s).
    void join(const std::string& channel, const std::string& key = {});
    void part(const std::string& channel, const std::string& reason = {});
    // A line typed into a room (chat HTML). "/me text" goes out as an action. A room whose
    // channel was refused sends nothing and says so.
    void say(const std::string& channel, const std::string& html);

    // A line to a nick (or to a channel named outright), paced with the rooms' lines; a
    // target with a blank, CR, LF or NUL is no one's, and the line is logged as not sent.
    void message(const std::string& target, const std::string& html);
    // Asks for another nick: the server's answer (NICK, or a refusal) is told as usual.
    // Before signing on, the next sign-on asks for it. The nick the user asked for last (or
    // the screen name's) is the one the link signs on with and, when it was taken, takes
    // back once it frees.
    void change_nick(const std::string& nick);
    // Asks for a channel's topic (empty text), or sets it.
    void topic(const std::string& channel, const std::string& html);
    // A protocol line as the user typed it, paced; a line break in it becomes a blank.
    void send_raw(const std::string& line);

    State state() const { return m_state; }
    const std::string& nick() const { return m_nick; }
    // The protocol extensions the server agreed to on this connection.
    const std::vector<std::string>& capabilities() const { return m_caps; }
    bool joined(const std::string& channel) const;
    std::vector<std::string> channels() const;
    std::size_t queued() const { return m_queue.size(); }
    std::size_t members(const std::string& channel) const;

    // One line for stderr: what the room must not hear. Tests catch it.
    std::function<void(const std::string&)> log;
    // Seconds since 1970 by the wall clock, for a CTCP TIME answer; tests give their own.
    std::function<std::int64_t()> wall_clock;

  private:
    struct Channel;
    struct Outgoing {
        std::string channel;  // folded; the line waits for this channel's join ("": none)
        std::string command;
        std::vector<std::string> params;  // params[0] names the channel, when there is one
        bool answer = false;              // an automatic answer to somebody's request
    };
    using Handler = void (IrcLink::*)(const IrcMessage&);

    // connection
    void connect();
    void opened();
    void closed(const std::string& reason);
    void finish_leaving();
    void drop(const std::string& reason);
    void received(std::string_view bytes);
    void watchdog();
    void send_now(const std::string& line);
    void registered(const IrcMessage& m);
    void join_all();
    void next_nick(bool too_long);

    // sign-on (irc_link_signon.cpp)
    void on_cap(const IrcMessage& m);
    void request_caps();
    void end_caps();
    bool may_send_password() const;
    std::string sasl_mechanism(const std::string& offered_values);
    void on_authenticate(const IrcMessage& m);
    void on_sasl_result(const IrcMessage& m);
    void on_sign_on_refused(const IrcMessage& m);
    void on_fail(const IrcMessage& m);
    void refuse_sign_on(const std::string& words);
    void tell_rooms(const std::string& text);

    // private messages and CTCP (irc_link_private.cpp)
    void on_private(const std::string& nick, const std::string& html);
    void on_ctcp(const std::string& nick, const std::string& room, const std::string& body);
    void answer(const std::string& nick, const std::string& text);

    // the user's own nick (irc_link_nick.cpp)
    void nick_refused(const IrcMessage& m);
    void nick_settled();
    void own_nick_set(const std::string& from, const std::string& to);
    void watch_wanted_nick();
    void stop_watching();
    void take_back_nick();
    void poll_wanted_nick();
    void on_monitor(const IrcMessage& m);
    void on_ison(const IrcMessage& m);
    void someone_left_nick(const std::string& nick);

    // channels (irc_link_channels.cpp)
    void send_join(Channel& ch);
    void join_failed(Channel& ch, const std::string& why);
    void follow_forward(Channel& from, const std::string& to, const std::string& why);
    void forwarded(Channel& from, Channel& to);
    Channel* first_pending();
    void check_joins();
    std::size_t drop_lines(const std::string& folded);

    // outgoing
    void enqueue(Outgoing line);
    void queue_text(const std::string& key, const std::string& target, const std::string& html);
    void flush();
    std::size_t text_room(const std::string& target) const;

    // incoming (irc_link_incoming.cpp)
    void dispatch(std::string_view line);
    void on_ping(const IrcMessage& m);
    void on_welcome(const IrcMessage& m);
    void on_support(const IrcMessage& m);
    void on_nick_error(const IrcMessage& m);
    void on_privmsg(const IrcMessage& m);
    void on_notice(const IrcMessage& m);
    void on_join(const IrcMessage& m);
    void on_part(const IrcMessage& m);
    void on_kick(const IrcMessage& m);
    void on_quit(const IrcMessage& m);
    void on_nick(const IrcMessage& m);
    void on_names(const IrcMessage& m);
    void on_names_end(const IrcMessage& m);
    void on_topic(const IrcMessage& m);
    void on_failure(const IrcMessage& m);
    void on_error(const IrcMessage& m);
    void presence_line(Channel& ch, const std::string& text);
    Channel* find(const std::string& channel);
    const Channel* find(const std::string& channel) const;
    Channel& add_channel(const std::string& channel);
    bool remove_member(Channel& ch, const std::string& nick);
    std::string strip_member_prefix(const std::string& name) const;
    bool is_me(const std::string& nick) const;
    static const std::map<std::string, Handler>& handlers();

    EventLoop& m_loop;
    Transport& m_transport;
    RoomSink& m_sink;
    LinkSettings m_settings;
    State m_state = State::Offline;
    Endpoint m_server;
    std::string m_password, m_account, m_wanted_nick, m_base_nick, m_nick;
    std::string m_wanted_refusal;    // why the server would not sign on with the wanted nick
    bool m_monitor_offered = false;  // the server watches nicks for us (MONITOR)
    bool m_watching = false;         // waiting for the wanted nick to free
    bool m_monitoring = false;       // the server is watching it
    bool m_taking_back = false;      // asked for it again; a refusal is not the user's
    double m_nick_polled = 0;
    std::map<std::string, double> m_answered;  // folded nick: when last answered
    std::string m_cap_offer;          // the server's capabilities, as its CAP LS lines arrive
    std::vector<std::string> m_caps;  // the ones it agreed to
    bool m_caps_open = false;         // negotiating: the server waits for our CAP END
    std::string m_sasl_mechanism;     // asked for on this connection ("": none)
    int m_nick_attempt = 0;
    std::size_t m_nick_max = 30;
    std::string m_member_prefixes = "~&@%+";
    std::vector<std::unique_ptr<Channel>> m_channels;
    std::deque<Outgoing> m_queue;
    bool m_dropping_logged = false;
    LineReader m_reader;
    Pacer m_pacer;
    Backoff m_backoff;
    OneShot m_retry, m_pace, m_leave;
    TimerId m_watchdog = 0;
    double m_last_heard = 0, m_since = 0, m_ping_sent = -1;
    std::string m_reported_nick;
    bool m_flushing = false;
};

}  // namespace rv::standin::net
