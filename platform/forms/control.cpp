#include "platform/forms/control.h"

#include <algorithm>

#include "platform/forms/environment.h"
#include "platform/forms/form.h"

namespace rv::forms {

Control::Control(Form& form, Kind kind, std::string name, Control* container)
    : m_form(form), m_kind(kind), m_name(std::move(name)), m_container(container) {}

void Control::changed(bool geometry) {
    m_form.notify_changed(this, geometry);
}

#define RV_SET(field, v)        \
    do {                        \
        if (field == v) return; \
        field = v;              \
        changed();              \
    } while (0)
#define RV_SET_GEOMETRY(field, v) \
    do {                          \
        if (field == v) return;   \
        field = v;                \
        changed(true);            \
    } while (0)

void Control::set_left(float v) {
    RV_SET_GEOMETRY(m_left, v);
}
void Control::set_top(float v) {
    RV_SET_GEOMETRY(m_top, v);
}
void Control::set_width(float v) {
    RV_SET_GEOMETRY(m_width, v);
}
void Control::set_height(float v) {
    RV_SET_GEOMETRY(m_height, v);
}
void Control::move(float l, float t, float w, float h) {
    m_left = l;
    m_top = t;
    m_width = w;
    m_height = h;
    changed(true);
}
void Control::set_enabled(bool v) {
    RV_SET(m_enabled, v);
}
void Control::set_visible(bool v) {
    RV_SET(m_visible, v);
}
void Control::set_fore_color(Color c) {
    RV_SET(m_fore, c);
}
void Control::set_back_color(Color c) {
    RV_SET(m_back, c);
}
void Control::set_font(Font f) {
    m_font = std::move(f);
    changed();
}
void Control::set_tool_tip(std::string t) {
    RV_SET(m_tool_tip, t);
}

void Control::user_click() {
    if (m_enabled) raise(on_click);
}
void Control::user_dbl_click() {
    if (m_enabled) raise(on_dbl_click);
}
void Control::user_mouse_down(int b, int s, float x, float y) {
    if (m_enabled && on_mouse_down) on_mouse_down(b, s, x, y);
}
void Control::user_mouse_move(int b, int s, float x, float y) {
    if (m_enabled && on_mouse_move) on_mouse_move(b, s, x, y);
}
void Control::user_mouse_up(int b, int s, float x, float y) {
    if (m_enabled && on_mouse_up) on_mouse_up(b, s, x, y);
}

float Control::abs_left() const {
    return m_left + (m_container ? m_container->abs_left() : 0);
}
float Control::abs_top() const {
    return m_top + (m_container ? m_container->abs_top() : 0);
}

void Label::set_caption(std::string c) {
    RV_SET(m_caption, c);
}
void Label::set_transparent(bool v) {
    RV_SET(m_transparent, v);
}
void Label::set_alignment(Alignment a) {
    RV_SET(m_alignment, a);
}
void Button::set_caption(std::string c) {
    RV_SET(m_caption, c);
}
void TextBox::set_text(std::string t) {
    RV_SET(m_text, t);
}

Timer::~Timer() {
    detach();
}

void Timer::set_interval_ms(int ms) {
    if (ms == m_interval_ms) return;
    m_interval_ms = ms;
    if (m_timer_id) {  // a new interval restarts the count, as the toolkit does
        form().env().loop().stop_timer(m_timer_id);
        m_timer_id = 0;
    }
    sync();
}

void Timer::set_timer_enabled(bool on) {
    if (on == m_on) return;
    m_on = on;
    sync();
}

void Timer::attach() {
    m_attached = true;
    sync();
}

void Timer::detach() {
    m_attached = false;
    sync();
}

void Timer::sync() {
    bool want = m_attached && m_on && m_interval_ms > 0;
    EventLoop& loop = form().env().loop();
    if (want && !m_timer_id) {
        m_timer_id = loop.start_timer(m_interval_ms, [this] {
            if (on_timer) on_timer();
        });
    } else if (!want && m_timer_id) {
        loop.stop_timer(m_timer_id);
        m_timer_id = 0;
    }
}

void ScrollBar::set_range(int mn, int mx) {
    m_min = mn;
    m_max = mx;
    m_value = std::clamp(m_value, std::min(mn, mx), std::max(mn, mx));
    changed();
}

void ScrollBar::set_changes(int s, int l) {
    m_small = s;
    m_large = l;
}

bool ScrollBar::set_value(int v) {
    if (v < std::min(m_min, m_max) || v > std::max(m_min, m_max)) return false;
    if (v == m_value) return true;
    m_value = v;
    changed();
    raise(on_change);
    return true;
}

void LevelBar::set_value(int v) {
    RV_SET(m_value, v);
}
void LevelBar::set_max(int v) {
    RV_SET(m_max, v);
}
void LevelBar::set_bar_colors(Color c1, Color c2) {
    m_bar1 = c1;
    m_bar2 = c2;
    changed();
}
double LevelBar::fraction() const {
    if (m_max <= 0 || m_value <= 0) return 0.0;
    return std::min(1.0, static_cast<double>(m_value) / m_max);
}

#undef RV_SET
#undef RV_SET_GEOMETRY

}  // namespace rv::forms
