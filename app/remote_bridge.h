#pragma once
// Media keys and the desktop's media applet, answered through the main window: each request
// calls the handler that the matching label calls, so the room hears what a click announces.
#include <functional>
#include <string>

#include "app/form1.h"
#include "platform/media/remote.h"

namespace rv::app {

class RemoteBridge final : public media::RemoteTarget {
  public:
    // `raise_windows` brings the program's windows to the front.
    // `art_folder` keeps the tags' pictures, each written once under a name made from its
    // bytes; empty: pictures are not offered.
    RemoteBridge(Form1& form1, std::function<void()> raise_windows, std::string art_folder = "")
        : m_form1(form1), m_raise(std::move(raise_windows)), m_art_folder(std::move(art_folder)) {}

    int play_state() const override;
    media::RemoteTrack track() const override;
    double position_s() const override;
    double volume() const override;
    bool has_tracks() const override;
    bool can_play() const override;
    bool can_pause() const override;
    bool can_seek() const override;
    media::LoopStatus loop_status() const override;
    bool shuffle() const override;

    void play_pause() override;
    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void set_volume(double volume) override;
    bool seek_to(double seconds) override;
    void set_loop_status(media::LoopStatus status) override;
    void set_shuffle(bool on) override;
    void raise() override;
    void quit() override;

  private:
    // The tags of the track last asked about: read again only when another track plays.
    struct Described {
        std::string path;
        media::RemoteTrack words;  // title, artist, album, number, picture
    };
    const media::RemoteTrack& describe(const std::string& path, const std::string& name) const;

    Form1& m_form1;
    std::function<void()> m_raise;
    std::string m_art_folder;
    mutable Described m_described;
};

}  // namespace rv::app
