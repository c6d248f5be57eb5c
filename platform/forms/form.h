#pragma once
// A borderless window model. It owns its controls; Show on an unloaded form loads it (design
// values, then Form_Load) first; Unload runs Form_Unload and drops the controls, so the next
// Show starts again from design values.
#include <memory>
#include <string>
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
    // The control with the keyboard focus: the first in the tab order (the order of
    // creation) that can take it, being visible and enabled; null when none can.
    Control* active_control() const;

    // The background's mouse events (drag surfaces), twips relative to the client area.
    MouseHandler on_mouse_down;
    MouseHandler on_mouse_move;
    MouseHandler on_mouse_up;

    // Bumped on every change of the form or its controls.
    std::uint64_t version() const { return m_version; }
    void notify_changed(Control* c, bool geometry = false);

  protected:
    // Creates the controls with their design values and sets the form's own.
    virtual void build() = 0;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    template <class T>
    T* add(std::string name, Control* container = nullptr) {
        auto c = std::make_unique<T>(*this, std::move(name), container);
        T* raw = c.get();
        m_controls.push_back(std::move(c));
        return raw;
    }

  private:
    Environment& m_env;
    std::string m_name;
    bool m_loaded = false;
    bool m_visible = false;
    float m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    Color m_back = 0x8000000F;
    std::string m_caption;
    WindowState m_state = WindowState::Normal;
    bool m_topmost = false;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::uint64_t m_version = 0;
};

}  // namespace rv::forms
