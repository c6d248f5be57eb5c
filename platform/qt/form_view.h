#pragma once
#include <QWidget>
#include <cstdint>
#include <string>

#include "platform/forms/form.h"
#include "platform/qt/caption_stage.h"
#include "platform/qt/control_painter.h"
#include "platform/qt/control_places.h"
#include "platform/qt/damage_tracker.h"
#include "platform/qt/form_input.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/multi_line_editors.h"
#include "platform/qt/text_sprites.h"

namespace rv::qt {

// One loaded, visible form as a real frameless window, drawn from its model. Input becomes
// model events with twips coordinates; nothing else. The window owns the parts that do the
// work (places, texts, painting, damage, editors, the server's captions, input) and wires them.
class FormView : public QWidget {
  public:
    // A window for `form` on a screen of `twips_per_pixel`, shown at once when the form is.
    FormView(forms::Form& form, double twips_per_pixel);
    // The form the window shows.
    forms::Form& form() const { return m_form; }
    // Brings the window in line with the model (geometry, flags, visibility) and schedules
    // a repaint of what changed.
    void sync(forms::Control* changed, bool geometry_only = false);
    // Paints, at once, all that the syncs since the last call left to redraw: one paint and
    // one flush to the screen per window and batch.
    void paint_pending();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;
    bool event(QEvent*) override;
    void closeEvent(QCloseEvent*) override;

  private:
    // After a reload of the form, forgets every pointer and cache of the old controls and
    // says so; a caller that has just run a handler returns at once when it did.
    bool catch_up();
    // Brings the window's title, flags, geometry and visibility in line with the model;
    // whether it was shown for the first time.
    bool sync_window();

    forms::Form& m_form;
    double m_tpp;
    std::uint64_t m_generation = 0;  // the form's load whose controls the parts below hold
    TextMeasures m_measures;
    FormLayout m_layout;
    TextSprites m_sprites;
    ControlPlaces m_places;
    ControlPainter m_painter;
    DamageTracker m_damage;
    MultiLineEditors m_editors;
    CaptionStage m_stage;
    FormInput m_input;

    std::string m_title;  // the caption last given to the window
    bool m_applied_topmost = false;
    bool m_shown_once = false;
};

}  // namespace rv::qt
