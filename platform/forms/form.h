#pragma once
// A borderless window model. It owns its controls; Show on an unloaded form loads it (design
// values, then Form_Load) first; Unload runs Form_Unload, and the next Show starts again from
// new controls with design values. A handler may unload and show its own form: the controls
// it runs on are kept until the outermost handler of the form has returned.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/control.h"
#include "platform/forms/lists.h"
#include "platform/forms/picture.h"

namespace rv::forms {

class Environment;

class Form {
  public:
    Form(Environment& env, std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return m_name; }
    Environment& env() const { return m_env; }

    void Show();
    void Hide();
    void Load();
    void Unload();
    bool loaded() const { return m_loaded; }
    bool visible() const { return m_visible; }

    float left() const { return m_left; }
    float top() const { return m_top; }
    float width() const { return m_width; }
    float height() const { return m_height; }
    void set_left(float v);
    void set_top(float v);
    void set_width(float v);
    void set_height(float v);
    Color back_color() const { return m_back; }
    void set_back_color(Color c);
    const std::string& caption() const { return m_caption; }
    void set_caption(std::string c);
    WindowState window_state() const { return m_state; }
    void set_window_state(WindowState s);
    bool topmost() const { return m_topmost; }
    void set_topmost(bool v);

    const std::vector<std::unique_ptr<Control>>& controls() const { return m_controls; }
    Control* find(const std::string& name) const;
    // Back to front: each container, then its children in their z-order. What comes later is
    // drawn over what comes earlier and takes the pointer before it.
    const std::vector<Control*>& paint_order() const;
    // Moves `c` among the controls of its container: position 0 to the front, 1 to the back.
    // Design order (later added, further in front) holds until then.
    void ZOrder(Control& c, int position);
    // The control that takes the pointer at (x, y), client twips: the frontmost shown one
    // whose box, cut to its containers' boxes, holds the point; null for the background.
    Control* control_at(float x, float y) const;

    // The window manager asked to close the window (Alt+F4, a taskbar's close). The window
    // answers as its own close does (QueryClose); a view never closes a window itself, so
    // the screen shows whatever the model becomes.
    void user_close();
    // A key pressed while the window has the keyboard and no editor of it took the key
    // (`shift`: the modifier flags). The window's KeyDown answers; false when it left the
    // key alone, so the view may hand it on.
    bool user_key_down(int key_code, int shift);
    // The control with the keyboard focus: the first in the tab order (the order of
    // creation) that can take it, being visible and enabled; null when none can.
    Control* active_control() const;

    // A drag surface was pressed. Where the window system moves windows itself (a Wayland
    // compositor), the view hands the drag to it; elsewhere the model's drag moves the window.
    void request_window_move() { m_move_requested = true; }
    bool take_window_move_request() { return std::exchange(m_move_requested, false); }

    // The background's mouse events (drag surfaces), twips relative to the client area.
    MouseHandler on_mouse_down;
    MouseHandler on_mouse_move;
    MouseHandler on_mouse_up;

    // Bumped on every change of the form or its controls.
    std::uint64_t version() const { return m_version; }
    void notify_changed(Control* c, bool geometry = false);
    // Bumped by every Load: a pointer to a control taken before is not to be followed after.
    std::uint64_t generation() const { return m_generation; }

  protected:
    // Creates the controls with their design values and sets the form's own.
    virtual void build() = 0;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // What a close by the window manager does: each window runs what its own close label or
    // cancel runs. The default refuses, leaving the window as it is.
    virtual void QueryClose() {}
    // The window's own keys; the default takes none.
    virtual bool Form_KeyDown(int /*key_code*/, int /*shift*/) { return false; }

    template <class T>
    T* add(std::string name, Control* container = nullptr) {
        auto c = std::make_unique<T>(*this, std::move(name), container);
        T* raw = c.get();
        m_controls.push_back(std::move(c));
        m_z.push_back(raw);
        m_paint_stale = true;
        return raw;
    }

  private:
    friend class HandlerScope;
    void handler_done();
    void retire_controls();
    void append_children(const Control* container) const;

    Environment& m_env;
    std::string m_name;
    bool m_loaded = false;
    bool m_visible = false;
    float m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    Color m_back = 0x8000000F;
    std::string m_caption;
    WindowState m_state = WindowState::Normal;
    bool m_topmost = false;
    bool m_move_requested = false;
    std::vector<std::unique_ptr<Control>> m_controls;
    // Controls of earlier loads that a running handler may still be inside.
    std::vector<std::unique_ptr<Control>> m_retired;
    int m_running = 0;
    // Every control once, siblings back to front; and the drawing order made from it.
    std::vector<Control*> m_z;
    mutable std::vector<Control*> m_paint;
    mutable bool m_paint_stale = true;
    std::uint64_t m_version = 0;
    std::uint64_t m_generation = 0;
};

}  // namespace rv::forms
