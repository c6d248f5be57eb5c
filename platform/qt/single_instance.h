#pragma once
// One program a user: a second start asks the running one to come to the front and ends.
// The rendezvous is a local socket in the user's runtime folder ($XDG_RUNTIME_DIR, else a
// per-user name in /tmp). No Qt type crosses this header.
#include <functional>
#include <memory>
#include <string>

namespace rv::qt {

class SingleInstance {
  public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The socket's path for this user.
    static std::string socket_path();
    // True when a running program took the request to come to the front (within about
    // half a second); false when none answers.
    static bool ask_running_to_raise();
    // Answers later starts: each request runs `on_raise` on the event loop. A socket left
    // by a program that died is replaced. False when the socket cannot be made.
    bool listen(std::function<void()> on_raise);

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::qt
