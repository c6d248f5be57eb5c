#pragma once
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QWidget>
#include <QWindow>
#include <map>
#include <memory>

#include "platform/forms/form.h"
#include "platform/qt/control_painter.h"
#include "platform/qt/control_places.h"
#include "platform/qt/damage_tracker.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/multi_line_editors.h"
#include "platform/qt/text_sprites.h"
#include "platform/qt/x11_stage.h"

class QImage;

namespace rv::qt {

// The labels of a window that move on their own (the marquees), composed by the X server where
// there is one: each step costs the server a few copies and the program no painting. A label
// whose stage (the part of the window it moves in) changed in any other way is painted by Qt
// once, stage and all, and its server copies made afresh at its next step.
class CaptionStage : public QObject, public DamageWatcher {
  public:
    // Composes on `window`'s native window, from what `painter` draws where `places` says.
    // Areas it must have Qt paint are marked on `damage`.
    CaptionStage(const forms::Form& form, QWidget& window, const FormLayout& layout,
                 ControlPlaces& places, ControlPainter& painter, TextSprites& sprites,
                 const MultiLineEditors& editors, DamageTracker& damage);

    // Takes a label's step when the server can draw it, and notes on the other captions'
    // copies the area the step touched (`touched`); false: paint it the usual way.
    bool take_step(forms::Label& l, const QRect& touched);
    // A moving label that changed otherwise than by moving needs a new picture: its copies
    // go and Qt paints its stage.
    void restage(forms::Control& c);
    // Draws every caption that moved since the last paint.
    void compose();
    // Forgets every caption and its copies: the labels are gone.
    void clear() { m_movers.clear(); }

    // A label the server moves does not hide what changes under it: its copies need that.
    bool composed(const forms::Control& c) const override;
    // Qt draws what changed; the server's copies of a stage it lies in are brought up to date
    // before the next step.
    void damaged(const QRegion& r) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    struct Mover {
        QRect stage;
        std::unique_ptr<X11Canvas::Scene> scene;
        QRegion stale;         // what changed in the stage since the copies were made
        QSize box_size;        // the label's size when its copies were made
        QPoint sprite_offset;  // where its picture lies from its box's corner
        bool moved = false;    // since the last paint
        bool refused = false;  // the server could not take it: Qt paints it
    };
    bool compose_move(forms::Label& l);
    bool attach_canvas();
    QRect stage_of(const forms::Label& l) const;
    // Paints into `under` what the window shows below `l` within `area` (window pixels),
    // and into `over` what it shows above it; whether anything is above.
    bool render_layers(const forms::Label& l, const QRect& area, QImage& under, QImage& over);
    std::unique_ptr<X11Canvas::Scene> build_scene(forms::Label& l, Mover& m);
    // Brings the server's copies up to date where the stage changed; false: make them afresh.
    bool patch_scene(forms::Label& l, Mover& m);
    // Forgets the server's copies of a stage; Qt paints it whole.
    void drop_scene(Mover& m);
    void forget_scenes();

    const forms::Form& m_form;
    QWidget& m_window;
    const FormLayout& m_layout;
    ControlPlaces& m_places;
    ControlPainter& m_painter;
    TextSprites& m_sprites;
    const MultiLineEditors& m_editors;
    DamageTracker& m_damage;

    std::unique_ptr<X11Canvas> m_canvas;
    WId m_canvas_window = 0;
    static constexpr int kAttachTries = 3;
    WId m_refused_window = 0;  // the native window the server's canvas failed on
    int m_attach_failures = 0;
    QPointer<QWindow> m_watched_window;       // a new native window comes with a new one
    std::map<forms::Label*, Mover> m_movers;  // after the canvas: their copies live on it
};

}  // namespace rv::qt
