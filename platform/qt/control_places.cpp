#include "platform/qt/control_places.h"

#include <algorithm>
#include <vector>

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

namespace {
// Between a scrolling title and a label that stands in its row: a space's width, so that the
// letters going under the label never read as part of it.
constexpr float kLaneGapTwips = 60;
}  // namespace

const ControlPlaces::Place& ControlPlaces::place_of(const Control& c) const {
    Place& p = m_places[&c];
    if (p.version == m_form.version()) return p;
    p.version = m_form.version();
    p.box = m_layout.box(c);
    p.has_footprint = false;
    // What a control may paint: its visible box, and for a label the room its text has.
    p.clip = m_layout.visible(c);
    if (c.kind() == Kind::Label) {
        p.clip |= m_layout.text_room(c);
        const auto& l = static_cast<const Label&>(c);
        if (l.scrolls()) p.clip = lane(l, p.clip);
    }
    return p;
}

QRect ControlPlaces::paints(const Label& l, const QRect& clip) const {
    const QRect box = m_layout.box(l);
    QRect r = webdings_shape(l) ? m_layout.glyph_box(l).toAlignedRect()
                                : m_sprites.label(const_cast<Label&>(l), box, fore_of(l)).ink;
    if (covers_box(l)) r |= box;
    return r & clip;
}

QRect ControlPlaces::lane(const Label& l, const QRect& clip) const {
    const QRect own = paints(l, clip);
    if (own.isEmpty()) return clip;
    // The labels in front of it that paint on the rows its text takes. One that only touches
    // its box (the letter below it, the strip above) does not narrow it.
    std::vector<QRect> stands;
    bool in_front = false;
    for (const Control* c : m_form.paint_order()) {
        if (c == &l) {
            in_front = true;
            continue;
        }
        if (!in_front || c->kind() != Kind::Label || c->container() != l.container() || !drawn(*c))
            continue;
        const QRect s = paints(static_cast<const Label&>(*c), place_of(*c).clip);
        if (!s.isEmpty() && s.top() <= own.bottom() && own.top() <= s.bottom()) stands.push_back(s);
    }
    if (stands.empty()) return clip;
    const QRect band = l.container()
                           ? m_layout.visible(*l.container())
                           : QRect(0, 0, m_layout.px(m_form.width()), m_layout.px(m_form.height()));
    std::sort(stands.begin(), stands.end(),
              [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    const int gap = m_layout.px(kLaneGapTwips);
    // Sweeps the band from left to right; ties go to the leftmost stretch.
    int best_left = 0, best_right = -1;
    int from = band.left();
    bool after_label = false;
    auto consider = [&](int to, bool before_label) {
        const int left = from + (after_label ? gap : 0);
        const int right = to - (before_label ? gap : 0);
        if (right - left > best_right - best_left) {
            best_left = left;
            best_right = right;
        }
    };
    for (const QRect& s : stands) {
        if (s.left() > from) consider(std::min(s.left() - 1, band.right()), true);
        if (s.right() + 1 > from) {
            from = s.right() + 1;
            after_label = true;
        }
    }
    if (from <= band.right()) consider(band.right(), false);
    if (best_right < best_left) return QRect();
    return clip & QRect(best_left, clip.top(), best_right - best_left + 1, clip.height());
}

QRect ControlPlaces::footprint(const Control& c) {
    const Place& p = place_of(c);
    if (p.has_footprint) return p.footprint;
    QRect r = p.clip;
    if (c.kind() == Kind::Label && !covers_box(c)) {
        auto& l = const_cast<Label&>(static_cast<const Label&>(c));
        // The shapes are filled without smoothing: a pixel round them is ample.
        if (webdings_shape(l))
            r &= m_layout.glyph_box(l).toAlignedRect().adjusted(-1, -1, 1, 1);
        else
            r &= m_sprites.label(l, p.box, fore_of(l)).ink;
    }
    Place& kept = m_places[&c];
    kept.has_footprint = true;
    kept.footprint = r;
    return r;
}

void ControlPlaces::keep(const Control* moved) {
    if (!moved) {
        m_places.clear();
        return;
    }
    const std::uint64_t now = m_form.version();
    for (auto& [c, p] : m_places) {
        bool inside = false;
        for (const Control* k = c; k && !inside; k = k->container()) inside = k == moved;
        const bool beside = c->kind() == Kind::Label && c->container() == moved->container();
        if (inside || beside)
            p.version = Place::kStale;
        else if (p.version != Place::kStale)
            p.version = now;
    }
}

}  // namespace rv::qt
