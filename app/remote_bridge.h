#pragma once
// Media keys and the desktop's media applet, answered through the main window: each request
// calls the handler that the matching label calls, so the room hears what a click announces.
#include <functional>

#include "app/form1.h"
#include "platform/media/remote.h"

namespace rv::app {

class RemoteBridge final : public media::RemoteTarget {
  public:
    // `raise_windows` brings the program's windows to the front.
    RemoteBridge(Form1& form1, std::function<void()> raise_windows)
        : m_form1(form1), m_raise(std::move(raise_windows)) {}

    int play_state() const override;
    media::RemoteTrack track() const override;
    double position_s() const override;
    double volume() const override;
    bool has_tracks() const override;

    void play_pause() override;
    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void set_volume(double volume) override;
    void raise() override;
    void quit() override;

  private:
    Form1& m_form1;
    std::function<void()> m_raise;
};

}  // namespace rv::app
