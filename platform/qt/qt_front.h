#pragma once
// The Qt side as the rest of the program sees it: no Qt type crosses this header.
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/environment.h"
#include "platform/loop/event_loop.h"

namespace rv::qt {

class QtFront {
  public:
    QtFront(int& argc, char** argv);
    ~QtFront();
    QtFront(const QtFront&) = delete;
    QtFront& operator=(const QtFront&) = delete;

    EventLoop& loop();
    // The primary screen's size in twips, at the screen's real dpi.
    float screen_width_twips() const;
    float screen_height_twips() const;
    // A modal input box; events keep running while it is open; cancel gives "".
    forms::Environment::InputBoxProvider input_box();
    // Real windows for the forms of `env`, following their models.
    void show_forms(forms::Environment& env);
    // Runs `task` once the event loop runs.
    void at_start(std::function<void()> task);
    int exec();
    // Brings every open window of the forms to the front, restoring those minimised.
    void raise_windows();
    // Running on a Wayland compositor itself: windows cannot place or move themselves.
    bool native_wayland() const;
    void quit();

  private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace rv::qt
