#pragma once
// One program a user: a second start asks the running one to come to the front and ends.
// The rendezvous is a local socket in a folder of the user's alone (see rendezvous.h); each
// end talks only to a program of the same user, reads a few bytes at most and waits a bounded
// time. No Qt type crosses this header.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace rv::qt {

class SingleInstance {
  public:
    // The longest request a later start may send, the most of them served at once, and how
    // long one may take; a client past any of these is cut off.
    static constexpr std::size_t kMaxRequestBytes = 4096;
    static constexpr int kMaxClients = 4;
    static constexpr int kClientMs = 2000;

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Start {
        HandedOver,  // a running program of this user came to the front: this one ends
        Listening,   // this program answers later starts
        Alone,       // no safe rendezvous: this one runs by itself, `why` says why
    };
    // Hands over to a running program, or else answers later starts, each running
    // `on_raise` on the event loop.
    Start start(std::function<void()> on_raise, std::string& why);

    // The socket's path for this user; "" with the reason when there is no private folder.
    static std::string socket_path(std::string& why);

    enum class Answer { Raised, Nobody, Stranger };
    // Raised when a program of this user took the request (within about half a second);
    // Stranger when what answers at `path` is another user's: it is sent nothing.
    static Answer ask_running_to_raise(const std::string& path);
    // Answers later starts at `path`; called once nobody answered there, so a socket standing
    // there is a dead program's and is replaced. Anything else there is left alone and makes
    // it false, as does a failed listen.
    bool listen(const std::string& path, std::function<void()> on_raise, std::string& why);

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::qt
