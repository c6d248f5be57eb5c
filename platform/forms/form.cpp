#include "platform/forms/form.h"

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

#define RV_SET(field, v)         \
    do {                         \
        if (field == v) return;  \
        field = v;               \
        notify_changed(nullptr); \
    } while (0)

void Form::set_left(float v) {
    RV_SET(m_left, v);
}
void Form::set_top(float v) {
    RV_SET(m_top, v);
}
void Form::set_width(float v) {
    RV_SET(m_width, v);
}
void Form::set_height(float v) {
    RV_SET(m_height, v);
}
void Form::set_back_color(Color c) {
    RV_SET(m_back, c);
}
void Form::set_caption(std::string c) {
    RV_SET(m_caption, c);
}
void Form::set_window_state(WindowState s) {
    RV_SET(m_state, s);
}
void Form::set_topmost(bool v) {
    RV_SET(m_topmost, v);
}

#undef RV_SET

}  // namespace rv::forms
