#pragma once
// The desktop's media controller interface (MPRIS 2 on the session bus): media keys,
// the desktop's media applet and playerctl reach the player through it. No Qt type crosses
// this header.
#include <memory>
#include <string>

#include "platform/media/remote.h"

namespace rv::qt {

class Mpris {
  public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.ravelin";

    explicit Mpris(media::RemoteTarget& target);
    ~Mpris();
    Mpris(const Mpris&) = delete;
    Mpris& operator=(const Mpris&) = delete;

    // Owns the service name on the session bus. False, with the reason, when there is no
    // session bus or the name is taken; the program then runs without it.
    bool start(std::string& why);
    // Compares what a controller sees with what it saw last and signals the changes.
    void refresh();

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::qt
