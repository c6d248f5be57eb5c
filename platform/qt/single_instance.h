#pragma once
// One program a user: a second start asks the running one to come to the front, hands it the
// files it was given, and ends.
// The rendezvous is a local socket in a folder of the user's alone (see rendezvous.h); each
// end talks only to a program of the same user, reads a few bytes at most and waits a bounded
// time. No Qt type crosses this header.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv::qt {

class SingleInstance {
  public:
    // The longest request a later start may send, the most of them served at once, and how
    // long one may take; a client past any of these is cut off. A request holds the files of
    // the command line, each made absolute and percent-encoded: room for a dozen of the
    // longest paths, and only the first of them that plays matters.
    static constexpr std::size_t kMaxRequestBytes = 64 * 1024;
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
    // What a later start asks for: the windows to the front and `files` played (absolute
    // paths; none for a bare start).
    using OnRequest = std::function<void(const std::vector<std::string>& files)>;

    // Hands `files` over to a running program, or else answers later starts, each running
    // `on_request` on the event loop.
    Start start(const std::vector<std::string>& files, OnRequest on_request, std::string& why);

    // The socket's path for this user; "" with the reason when there is no private folder.
    static std::string socket_path(std::string& why);

    enum class Answer { Raised, Nobody, Stranger };
    // Raised when a program of this user took the request (within about half a second);
    // Stranger when what answers at `path` is another user's: it is sent nothing. Relative
    // `files` are sent as paths from this process's working folder; those past the request's
    // room are left out.
    static Answer ask_running_to_raise(const std::string& path,
                                       const std::vector<std::string>& files = {});
    // Answers later starts at `path`; called once nobody answered there, so a socket standing
    // there is a dead program's and is replaced. Anything else there is left alone and makes
    // it false, as does a failed listen.
    bool listen(const std::string& path, OnRequest on_request, std::string& why);

    // The request line for `files` (as given: made absolute by the caller), and back; a line
    // that is not a request gives false. Paths in a request that are not absolute are dropped.
    static std::string request_line(const std::vector<std::string>& files);
    static bool parse_request(const std::string& line, std::vector<std::string>& files);

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::qt
