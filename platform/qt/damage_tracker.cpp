#include "platform/qt/damage_tracker.h"

#include <algorithm>
#include <utility>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

std::optional<DamageTracker::Touched> DamageTracker::note_change(Control& c, bool geometry_only) {
    const QRect now = m_places.clip(c);
    auto [it, fresh] = m_last_rects.emplace(&c, now);
    // A move within the same pixel (a marquee moves 10 twips, two thirds of a pixel) shows
    // nothing new.
    if (geometry_only && !fresh && it->second == now && m_places.box(c) == m_last_full[&c])
        return std::nullopt;
    if (!geometry_only && !fresh && it->second == now && c.kind() == Kind::LevelBar &&
        update_bar_strip(static_cast<const LevelBar&>(c)))
        return std::nullopt;
    const QRect before = it->second;
    m_last_full[&c] = m_places.box(c);
    it->second = now;
    return Touched{before.united(now), fresh};
}

bool DamageTracker::update_bar_strip(const LevelBar& bar) {
    const QRect r = m_places.box(bar);
    const BarSeen now{fill_width(bar, r), bar.bar_color1(), bar.bar_color2(), bar.back_color(),
                      bar.enabled()};
    auto [it, fresh] = m_bars.emplace(&bar, now);
    const BarSeen before = it->second;
    it->second = now;
    if (fresh) return false;
    BarSeen same_length = before;
    same_length.fill_px = now.fill_px;
    if (!(same_length == now)) return false;  // more than the length changed
    if (before.fill_px != now.fill_px) {
        const int from = std::min(before.fill_px, now.fill_px);
        const int to = std::max(before.fill_px, now.fill_px);
        invalidate(uncovered(
            bar, QRect(r.left() + from, r.top(), to - from, r.height()) & m_places.clip(bar)));
    }
    return true;
}

QRegion DamageTracker::uncovered(const Control& changed, const QRegion& damage) const {
    QRegion left = damage;
    bool above = false;
    for (const Control* c : m_form.paint_order()) {
        if (c == &changed) {
            above = true;
        } else if (above && covers_box(*c) && drawn(*c) &&
                   !(m_watcher && m_watcher->composed(*c))) {
            left -= m_layout.visible(*c);
            if (left.isEmpty()) break;
        }
    }
    return left;
}

void DamageTracker::invalidate(const QRegion& r) {
    if (r.isEmpty()) return;
    m_pending += r;
    if (m_watcher) m_watcher->damaged(r);
}

QRegion DamageTracker::take_pending() {
    return std::exchange(m_pending, QRegion());
}

void DamageTracker::clear() {
    m_last_rects.clear();
    m_last_full.clear();
    m_bars.clear();
}

}  // namespace rv::qt
