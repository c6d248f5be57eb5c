#pragma once
#include <QPoint>
#include <QPointF>
#include <functional>
#include <utility>

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QWidget;

namespace rv::qt {

// Turns a window's mouse and wheel into the model's events, in the old forms' order: MouseDown,
// MouseUp, Click, DblClick, MouseUp, one Click per double-click; positions in twips.
class FormInput {
  public:
    // `catch_up` is asked after every handler whether the form was loaded afresh under it;
    // when it was, the event stops there, since the controls it knew are gone.
    // Lists are hit where `layout` places their rows.
    FormInput(forms::Form& form, double twips_per_pixel, const FormLayout& layout, QWidget& window,
              std::function<bool()> catch_up)
        : m_form(form),
          m_tpp(twips_per_pixel),
          m_layout(layout),
          m_window(window),
          m_catch_up(std::move(catch_up)) {}

    // A press on a control raises its MouseDown (a list first selects the row and raises its
    // Click); on the background, the form's own, and the drag may go to the compositor.
    void press(const QMouseEvent& e);
    // A move while a control or the background is held raises its MouseMove.
    void move(const QMouseEvent& e);
    // A release raises the held control's MouseUp, then its Click when the pointer is still
    // over it and the press was not the second of a double-click; on the background, the
    // form's MouseUp.
    void release(const QMouseEvent& e);
    // A double-click (the second press of one) raises the DblClick of the control under the
    // pointer, which is held until the release that follows; that release raises MouseUp
    // only, so a double-click clicks once.
    void double_click(const QMouseEvent& e);
    // A key that reached the window itself (no editor of it took it) goes to the form's
    // KeyDown; true when the form took it.
    bool key(const QKeyEvent& e);
    // A turn of the wheel over a list scrolls it three rows a notch.
    void wheel(const QWheelEvent& e);
    // The control under window pixel `p`, or null.
    forms::Control* control_at(QPoint p) const;
    // Forgets the pressed control: it is gone with its form's load.
    void forget() { m_pressed = nullptr; }

  private:
    // The pointer relative to control `c` (null: the client area), in twips, taken from its
    // place on the screen and the model's window position: right even while the window or
    // the control moves under it.
    void to_twips(const forms::Control* c, QPointF global, float& x, float& y) const;
    // After a press on a drag surface, on a platform where windows cannot move themselves:
    // the compositor's own move takes the drag.
    void hand_move_to_compositor();
    bool raise_key(const QKeyEvent& e, int code);

    forms::Form& m_form;
    double m_tpp;
    const FormLayout& m_layout;
    QWidget& m_window;
    std::function<bool()> m_catch_up;
    forms::Control* m_pressed = nullptr;
    bool m_background_pressed = false;
    bool m_second_press = false;  // the held press is a double-click's second
};

}  // namespace rv::qt
