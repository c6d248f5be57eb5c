#include "platform/forms/form.h"

#include <algorithm>

#include "platform/forms/assign.h"
#include "platform/forms/environment.h"

namespace rv::forms {

Form::Form(Environment& env, std::string name) : m_env(env), m_name(std::move(name)) {
    m_env.register_form(this);
}

Form::~Form() {
    // Timers go first: their callbacks point into the form.
    for (auto& c : m_controls)
        if (c->kind() == Kind::Timer) static_cast<Timer*>(c.get())->detach();
    m_env.unregister_form(this);
}

void Form::notify_changed(Control* c, bool geometry) {
    // A retired control belongs to no window any more: nobody is told of it.
    if (c && c->retired()) return;
    ++m_version;
    m_env.notify(*this, c, geometry);
}

Control* Form::find(const std::string& name) const {
    for (const auto& c : m_controls)
        if (c->name() == name) return c.get();
    return nullptr;
}

void Form::retire_controls() {
    for (auto& c : m_controls) {
        c->retire();
        m_retired.push_back(std::move(c));
    }
    m_controls.clear();
    m_z.clear();
    m_paint_stale = true;
    if (m_running == 0) m_retired.clear();
}

HandlerScope::HandlerScope(Form& f) : m_form(f) {
    ++m_form.m_running;
}

HandlerScope::~HandlerScope() {
    m_form.handler_done();
}

void Form::handler_done() {
    if (--m_running > 0 || m_retired.empty()) return;
    // Moved out first: a control's destructor must not find itself in a list being cleared.
    auto retired = std::move(m_retired);
    m_retired.clear();
}

const std::vector<Control*>& Form::paint_order() const {
    if (m_paint_stale) {
        m_paint.clear();
        append_children(nullptr);
        m_paint_stale = false;
    }
    return m_paint;
}

void Form::append_children(const Control* container) const {
    for (Control* c : m_z) {
        if (c->container() != container) continue;
        m_paint.push_back(c);
        append_children(c);
    }
}

void Form::ZOrder(Control& c, int position) {
    const bool to_front = position == 0;
    auto sibling = [&](const Control* k) { return k->container() == c.container(); };
    auto it = std::find(m_z.begin(), m_z.end(), &c);
    if (it == m_z.end()) return;
    const bool already = to_front ? std::none_of(std::next(it), m_z.end(), sibling)
                                  : std::none_of(m_z.begin(), it, sibling);
    if (already) return;
    m_z.erase(it);
    m_z.insert(to_front ? m_z.end() : std::find_if(m_z.begin(), m_z.end(), sibling), &c);
    m_paint_stale = true;
    notify_changed(&c);
}

Control* Form::control_at(float x, float y) const {
    const auto& order = paint_order();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Control* c = *it;
        if (c->kind() == Kind::Timer) continue;
        bool shown = true;
        for (const Control* k = c; k && shown; k = k->container())
            shown = k->visible() && x >= k->abs_left() && x < k->abs_left() + k->width() &&
                    y >= k->abs_top() && y < k->abs_top() + k->height();
        if (shown) return c;
    }
    return nullptr;
}

Control* Form::active_control() const {
    for (const auto& c : m_controls) {
        switch (c->kind()) {
            case Kind::TextBox:
            case Kind::ListBox:
            case Kind::FileListBox:
            case Kind::DirListBox:
            case Kind::DriveListBox:
            case Kind::Button:
                if (c->visible() && c->enabled()) return c.get();
                break;
            default:
                break;
        }
    }
    return nullptr;
}

void Form::user_close() {
    HandlerScope scope(*this);
    QueryClose();
}

bool Form::user_key_down(int key_code, int shift) {
    if (!m_loaded || !m_visible) return false;
    HandlerScope scope(*this);
    return Form_KeyDown(key_code, shift);
}

void Form::Load() {
    if (m_loaded) return;
    retire_controls();
    ++m_generation;
    m_state = WindowState::Normal;
    m_topmost = false;
    build();
    m_loaded = true;
    for (auto& c : m_controls)
        if (c->kind() == Kind::Timer) static_cast<Timer*>(c.get())->attach();
    notify_changed(nullptr);
    Form_Load();
}

void Form::Show() {
    if (!m_loaded) Load();
    // Form_Load may have unloaded the form again (it may end the program); then stay away.
    if (!m_loaded || m_visible) return;
    m_visible = true;
    notify_changed(nullptr);
}

void Form::Hide() {
    if (!m_visible) return;
    m_visible = false;
    notify_changed(nullptr);
}

void Form::Unload() {
    if (!m_loaded) return;
    Form_Unload();
    for (auto& c : m_controls)
        if (c->kind() == Kind::Timer) static_cast<Timer*>(c.get())->detach();
    m_loaded = false;
    m_visible = false;
    // The controls stay until the next Load: the handler that unloaded the form may still be
    // running inside one of them.
    notify_changed(nullptr);
}

void Form::set_left(float v) {
    if (assign(m_left, v)) notify_changed(nullptr);
}
void Form::set_top(float v) {
    if (assign(m_top, v)) notify_changed(nullptr);
}
void Form::set_width(float v) {
    if (assign(m_width, v)) notify_changed(nullptr);
}
void Form::set_height(float v) {
    if (assign(m_height, v)) notify_changed(nullptr);
}
void Form::set_back_color(Color c) {
    if (assign(m_back, c)) notify_changed(nullptr);
}
void Form::set_caption(std::string c) {
    if (assign(m_caption, std::move(c))) notify_changed(nullptr);
}
void Form::set_window_state(WindowState s) {
    if (assign(m_state, s)) notify_changed(nullptr);
}
void Form::set_topmost(bool v) {
    if (assign(m_topmost, v)) notify_changed(nullptr);
}

}  // namespace rv::forms
