#include "platform/forms/form.h"

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
    ++m_version;
    m_env.notify(*this, c, geometry);
}

Control* Form::find(const std::string& name) const {
    for (const auto& c : m_controls)
        if (c->name() == name) return c.get();
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

void Form::Load() {
    if (m_loaded) return;
    m_controls.clear();
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
