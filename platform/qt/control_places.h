#pragma once
#include <QRect>
#include <cstdint>
#include <map>

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/text_sprites.h"

namespace rv::qt {

// Where each control of a window lies, worked out once per state of the form: a paint asks
// for every control's place, and a marquee changes one of them twenty times a second.
class ControlPlaces {
  public:
    // The ink of transparent labels is taken from `sprites`.
    ControlPlaces(const forms::Form& form, const FormLayout& layout, TextSprites& sprites)
        : m_form(form), m_layout(layout), m_sprites(sprites) {}

    // The control's box in the window.
    QRect box(const forms::Control& c) const { return place_of(c).box; }
    // What the control may paint: its visible box, and for a label the room its text has; a
    // label that scrolls keeps to its lane.
    QRect clip(const forms::Control& c) const { return place_of(c).clip; }
    // The pixels a control's drawing can change: its clip, less what a transparent label
    // leaves untouched around its ink.
    QRect footprint(const forms::Control& c);
    // Called on every change of the form before the next paint. A control that only moved
    // (`moved`) changes its own place, its contents' and the text room of the labels beside
    // it; the others keep theirs. Null: every place is worked out afresh.
    void keep(const forms::Control* moved);
    // Forgets every place: the controls they belong to are gone.
    void clear() { m_places.clear(); }

  private:
    struct Place {
        static constexpr std::uint64_t kStale = ~std::uint64_t{0};
        std::uint64_t version = kStale;
        QRect box, clip;
        bool has_footprint = false;
        QRect footprint;
    };
    const Place& place_of(const forms::Control& c) const;
    // The columns a scrolling label may show in: the widest stretch of its container's width
    // that the labels in front of it painting on its text's rows leave free, a small gap from
    // each of them.
    QRect lane(const forms::Label& l, const QRect& clip) const;
    // What a label paints within `clip`: the ink of its text, and its box when opaque.
    QRect paints(const forms::Label& l, const QRect& clip) const;

    const forms::Form& m_form;
    const FormLayout& m_layout;
    TextSprites& m_sprites;
    mutable std::map<const forms::Control*, Place> m_places;
};

}  // namespace rv::qt
