#pragma once
// What every form shares: the event loop, the screen, the modal input box and the
// observers (views) that follow the models.
#include <functional>
#include <string>
#include <vector>

#include "platform/loop/event_loop.h"
#include "platform/loop/subscription.h"

namespace rv::forms {

class Form;
class Control;

class Environment {
  public:
    explicit Environment(EventLoop& loop) : m_loop(loop) {}
    EventLoop& loop() const { return m_loop; }

    float screen_width_twips() const { return m_screen_w; }
    float screen_height_twips() const { return m_screen_h; }
    void set_screen_size_twips(float w, float h) {
        m_screen_w = w;
        m_screen_h = h;
    }

    // Where the platform puts a new window that names no place of its own: cascaded down
    // and right from near the top-left corner, one step per window, as the classic desktop
    // does; the cascade starts again before a window would leave the screen.
    void default_position(float& left_twips, float& top_twips);
    static constexpr float kCascadeStepTwips = 26 * 15.0f;

    // The modal input box: events keep being pumped while it is open; a cancel gives "".
    using InputBoxProvider = std::function<std::string(
        const std::string& prompt, const std::string& title, const std::string& default_text)>;
    void set_input_box(InputBoxProvider p) { m_input_box = std::move(p); }
    std::string InputBox(const std::string& prompt, const std::string& title = "",
                         const std::string& default_text = "");

    // The application title the input box shows when no title is given.
    const std::string& app_title() const { return m_app_title; }
    void set_app_title(std::string t) { m_app_title = std::move(t); }

    // Told of every change: the form, the control (null: the form itself) and whether only
    // the control's position or size changed.
    using Observer = std::function<void(Form&, Control*, bool geometry)>;
    [[nodiscard]] Subscription add_observer(Observer o) {
        return m_changed.subscribe(std::move(o));
    }
    void notify(Form& f, Control* c, bool geometry) { m_changed(f, c, geometry); }
    // Told when a form is destroyed, so that what was kept for it goes too.
    Signal<Form&> form_gone;

    void register_form(Form* f) { m_forms.push_back(f); }
    void unregister_form(Form* f);
    const std::vector<Form*>& forms() const { return m_forms; }

  private:
    EventLoop& m_loop;
    float m_screen_w = 1024 * 15.0f;
    float m_screen_h = 768 * 15.0f;
    int m_cascade = 0;
    InputBoxProvider m_input_box;
    std::string m_app_title = "Ravelin";
    Signal<Form&, Control*, bool> m_changed;
    std::vector<Form*> m_forms;
};

}  // namespace rv::forms
