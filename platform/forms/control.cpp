#include "platform/forms/control.h"

#include <algorithm>

#include "platform/forms/assign.h"
#include "platform/forms/environment.h"
#include "platform/forms/form.h"

namespace rv::forms {

Control::Control(Form& form, Kind kind, std::string name, Control* container)
    : m_form(form), m_kind(kind), m_name(std::move(name)), m_container(container) {}

void Control::changed(bool geometry) {
    m_form.notify_changed(this, geometry);
}

void Control::set_left(float v) {
    if (assign(m_left, v)) changed(true);
}
void Control::set_top(float v) {
    if (assign(m_top, v)) changed(true);
}
void Control::set_width(float v) {
    if (assign(m_width, v)) changed(true);
}
void Control::set_height(float v) {
    if (assign(m_height, v)) changed(true);
}
void Control::move(float l, float t, float w, float h) {
    m_left = l;
    m_top = t;
    m_width = w;
    m_height = h;
    changed(true);
}
void Control::set_enabled(bool v) {
    if (assign(m_enabled, v)) changed();
}
void Control::set_visible(bool v) {
    if (assign(m_visible, v)) changed();
}
void Control::set_fore_color(Color c) {
    if (assign(m_fore, c)) changed();
}
void Control::set_back_color(Color c) {
    if (assign(m_back, c)) changed();
}
void Control::set_font(Font f) {
    m_font = std::move(f);
    changed();
}
void Control::set_tool_tip(std::string t) {
    if (assign(m_tool_tip, std::move(t))) changed();
}

void Control::user_click() {
    if (m_enabled) raise(on_click);
}
void Control::user_dbl_click() {
    if (m_enabled) raise(on_dbl_click);
}
void Control::user_mouse_down(int b, int s, float x, float y) {
    if (m_enabled) raise(on_mouse_down, b, s, x, y);
}
void Control::user_mouse_move(int b, int s, float x, float y) {
    if (m_enabled) raise(on_mouse_move, b, s, x, y);
}
void Control::user_mouse_up(int b, int s, float x, float y) {
    if (m_enabled) raise(on_mouse_up, b, s, x, y);
}

void Control::ZOrder(int position) {
    m_form.ZOrder(*this, position);
}

float Control::abs_left() const {
    return m_left + (m_container ? m_container->abs_left() : 0);
}
float Control::abs_top() const {
    return m_top + (m_container ? m_container->abs_top() : 0);
}

void Label::set_caption(std::string c) {
    if (assign(m_caption, std::move(c))) changed();
}
void Label::set_transparent(bool v) {
    if (assign(m_transparent, v)) changed();
}
void Label::set_alignment(Alignment a) {
    if (assign(m_alignment, a)) changed();
}
void Label::set_scrolls(bool v) {
    if (assign(m_scrolls, v)) changed();
}
void Button::set_caption(std::string c) {
    if (assign(m_caption, std::move(c))) changed();
}
void TextBox::set_text(std::string t) {
    if (assign(m_text, std::move(t))) changed();
}
bool TextBox::user_set_text(std::string t) {
    if (!enabled() || m_locked) return false;
    set_text(std::move(t));
    return true;
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
        m_timer_id = loop.start_timer(m_interval_ms, [this] { raise(on_timer); });
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
    if (assign(m_value, v)) changed();
}
void LevelBar::set_max(int v) {
    if (assign(m_max, v)) changed();
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

}  // namespace rv::forms
