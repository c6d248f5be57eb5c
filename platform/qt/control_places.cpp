#include "platform/qt/control_places.h"

#include "platform/qt/form_view_paint.h"

namespace rv::qt {

using namespace forms;
using namespace paint;

const ControlPlaces::Place& ControlPlaces::place_of(const Control& c) const {
    Place& p = m_places[&c];
    if (p.version == m_form.version()) return p;
    p.version = m_form.version();
    p.box = m_layout.box(c);
    p.has_footprint = false;
    // What a control may paint: its visible box, and for a label the room its text has.
    p.clip = m_layout.visible(c);
    if (c.kind() == Kind::Label) p.clip |= m_layout.text_room(c);
    return p;
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
