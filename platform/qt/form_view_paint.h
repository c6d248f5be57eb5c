#pragma once
// What the window's painter, its damage tracking and the server's composition of its moving
// captions all need to know of a control: its colours, and whether and how it is drawn.
#include <QColor>
#include <QRect>
#include <cmath>
#include <string>

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"

namespace rv::qt::paint {

using namespace forms;

inline QColor qcolor(Color c) {
    Color rgb = resolve_color(c);
    return QColor(red_of(rgb), green_of(rgb), blue_of(rgb));
}

inline QColor fore_of(const Control& c) {
    return c.enabled() ? qcolor(c.fore_color()) : QColor(128, 128, 128);
}

// Whether the control paints every pixel of its box.
inline bool covers_box(const Control& c) {
    if (c.kind() == Kind::Label) return !static_cast<const Label&>(c).transparent();
    return c.kind() != Kind::Timer && c.kind() != Kind::ScrollBar;
}

// The filled length of a level bar drawn in `r`: what the painter fills and what the damage
// of a moving level compares.
inline int fill_width(const LevelBar& bar, const QRect& r) {
    return static_cast<int>(std::lround(r.width() * bar.fraction()));
}

// The Webdings glyphs the player shows, which are drawn as shapes.
inline bool webdings_shape(const Control& c) {
    if (!FormLayout::is_glyph(c)) return false;
    const std::string& g = static_cast<const Label&>(c).caption();
    return g == "4" || g == ";" || g == "<" || g == "9" || g == ":";
}

// Whether the control is drawn by the window's painter (editors and timers are not) and all
// its containers are shown.
inline bool drawn(const Control& c) {
    if (c.kind() == Kind::Timer || c.kind() == Kind::ScrollBar) return false;
    if (c.kind() == Kind::TextBox) {
        const auto& t = static_cast<const TextBox&>(c);
        if (t.multi_line() && !t.locked()) return false;
    }
    for (const Control* k = &c; k; k = k->container())
        if (!k->visible()) return false;
    return true;
}

}  // namespace rv::qt::paint
