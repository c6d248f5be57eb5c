#pragma once
#include <QRect>
#include <QRegion>
#include <map>
#include <optional>

#include "platform/forms/form.h"
#include "platform/qt/control_places.h"
#include "platform/qt/form_view_layout.h"

namespace rv::qt {

// The part of a window that keeps copies of what Qt paints (the server's copies of the moving
// captions): it hears of every area marked for redrawing, and the controls it draws itself
// hide nothing below them.
class DamageWatcher {
  public:
    virtual ~DamageWatcher() = default;
    // Whether `c` is drawn by the watcher now, and so hides nothing that changes below it.
    virtual bool composed(const forms::Control& c) const = 0;
    // `r` was marked to be painted by Qt.
    virtual void damaged(const QRegion& r) = 0;
};

// What of a window must be painted again: where each control last drew, the area a change of
// one control touched, and what of that the controls above it leave showing.
class DamageTracker {
  public:
    DamageTracker(const forms::Form& form, const FormLayout& layout, ControlPlaces& places)
        : m_form(form), m_layout(layout), m_places(places) {}
    // Tells `watcher` of every area marked from now on and asks it which controls it draws.
    void watch(DamageWatcher& watcher) { m_watcher = &watcher; }

    // What a change of one control touched: where it was and where it is, and whether this
    // is the first change of it seen.
    struct Touched {
        QRect area;
        bool first = false;
    };
    // Notes where `c` now lies after a change (`geometry_only`: it only moved). Nothing when
    // the change shows nothing new: a move within the same pixel, or a level bar whose filled
    // length alone moved and whose strip has been marked already.
    std::optional<Touched> note_change(forms::Control& c, bool geometry_only);
    // Notes that `c` drew into `area`: its next change must clear it, even when that is its
    // first one or its room grew since the change was seen.
    void note_drawn(const forms::Control& c, const QRect& area) { m_last_rects[&c] |= area; }
    // What of `damage` must be repainted once `changed` changed: controls drawn after it
    // that cover their whole box hide it where they stand.
    QRegion uncovered(const forms::Control& changed, const QRegion& damage) const;
    // Marks `r` to be painted at the next paint.
    void invalidate(const QRegion& r);
    // All that is marked, which is then no longer.
    QRegion take_pending();
    // Forgets where the controls drew: they are gone.
    void clear();

  private:
    // A level bar whose filled length alone moved needs only the strip between the old and
    // the new end redrawn (the equalizer moves ten bars 40 times a second). False: redraw it
    // whole.
    bool update_bar_strip(const forms::LevelBar& bar);

    const forms::Form& m_form;
    const FormLayout& m_layout;
    ControlPlaces& m_places;
    DamageWatcher* m_watcher = nullptr;
    std::map<const forms::Control*, QRect> m_last_rects;  // where it may have drawn
    std::map<const forms::Control*, QRect> m_last_full;   // whole rectangle, last drawn
    struct BarSeen {
        int fill_px;
        forms::Color bar1, bar2, back;
        bool enabled;
        bool operator==(const BarSeen&) const = default;
    };
    std::map<const forms::LevelBar*, BarSeen> m_bars;
    QRegion m_pending;
};

}  // namespace rv::qt
