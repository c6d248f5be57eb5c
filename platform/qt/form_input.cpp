#include "platform/qt/form_input.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace rv::qt {

using namespace forms;

namespace {

int buttons_of(Qt::MouseButtons b) {
    int r = 0;
    if (b & Qt::LeftButton) r |= kLeftButton;
    if (b & Qt::RightButton) r |= kRightButton;
    if (b & Qt::MiddleButton) r |= kMiddleButton;
    return r;
}

int shift_of(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
           ((m & Qt::AltModifier) ? 4 : 0);
}

// The toolkit's code of a Qt key, 0 for one no window of the program takes.
int key_code_of(int qt_key) {
    switch (qt_key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyReturn;
        case Qt::Key_Escape:
            return kKeyEscape;
        case Qt::Key_Space:
            return kKeySpace;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        default:
            // Qt names letters and digits by their ASCII capitals, as the toolkit does.
            if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) ||
                (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
                return qt_key;
            return 0;
    }
}

}  // namespace

bool FormInput::key(const QKeyEvent& e) {
    const int code = key_code_of(e.key());
    if (code == 0) return false;
    // A held key repeats only where a repeat is harmless: moving the selection. Held Space or
    // Right would toggle and skip, and tell the room, as fast as the keyboard repeats.
    if (e.isAutoRepeat()) return code == kKeyUp || code == kKeyDown ? raise_key(e, code) : true;
    return raise_key(e, code);
}

bool FormInput::raise_key(const QKeyEvent& e, int code) {
    m_catch_up();
    const bool taken = m_form.user_key_down(code, shift_of(e.modifiers()));
    m_catch_up();
    return taken;
}

Control* FormInput::control_at(QPoint p) const {
    // The middle of the pixel, in the model's twips.
    return m_form.control_at(static_cast<float>((p.x() + 0.5) * m_tpp),
                             static_cast<float>((p.y() + 0.5) * m_tpp));
}

void FormInput::to_twips(const Control* c, QPointF global, float& x, float& y) const {
    x = static_cast<float>(global.x() * m_tpp) - m_form.left() - (c ? c->abs_left() : 0);
    y = static_cast<float>(global.y() * m_tpp) - m_form.top() - (c ? c->abs_top() : 0);
}

void FormInput::press(const QMouseEvent& e) {
    m_catch_up();
    const QPoint p = e.position().toPoint();
    const int b = buttons_of(e.button()), shift = shift_of(e.modifiers());
    m_pressed = control_at(p);
    m_background_pressed = m_pressed == nullptr;
    m_second_press = false;
    float x, y;
    if (!m_pressed) {
        to_twips(nullptr, e.globalPosition(), x, y);
        if (m_form.on_mouse_down) m_form.on_mouse_down(b, shift, x, y);
        if (m_catch_up()) return;
        hand_move_to_compositor();
        return;
    }
    if (auto* list = dynamic_cast<ListBase*>(m_pressed)) {
        // The row drawn under the pointer: rows are whole pixels on the screen, so exact
        // twips would drift from them row by row.
        const int row_y = p.y() - m_layout.box(*list).top();
        list->user_select_row(std::max(0, row_y) / m_layout.list_row_height(*list));  // Click
        if (m_catch_up()) return;
    }
    to_twips(m_pressed, e.globalPosition(), x, y);
    m_pressed->user_mouse_down(b, shift, x, y);
    if (m_catch_up()) return;
    hand_move_to_compositor();
}

void FormInput::hand_move_to_compositor() {
    if (!m_form.take_window_move_request()) return;
    // A Wayland compositor ignores a window that moves itself; it moves one on request.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    if (QWindow* w = m_window.windowHandle()) w->startSystemMove();
}

void FormInput::move(const QMouseEvent& e) {
    m_catch_up();
    const int b = buttons_of(e.buttons()), shift = shift_of(e.modifiers());
    float x, y;
    to_twips(m_pressed, e.globalPosition(), x, y);
    if (m_pressed)
        m_pressed->user_mouse_move(b, shift, x, y);
    else if (m_background_pressed && m_form.on_mouse_move)
        m_form.on_mouse_move(b, shift, x, y);
    m_catch_up();
}

void FormInput::release(const QMouseEvent& e) {
    m_catch_up();
    const QPoint p = e.position().toPoint();
    const int b = buttons_of(e.button()), shift = shift_of(e.modifiers());
    Control* pressed = std::exchange(m_pressed, nullptr);
    const bool second_press = std::exchange(m_second_press, false);
    float x, y;
    to_twips(pressed, e.globalPosition(), x, y);
    if (pressed) {
        pressed->user_mouse_up(b, shift, x, y);
        // A handler that reloaded the form took the pressed control with it.
        if (m_catch_up()) return;
        // A click is a press and a release on the same control; lists raised theirs already,
        // and a double-click's second press had its DblClick instead.
        if (!second_press && m_form.loaded() && control_at(p) == pressed &&
            !dynamic_cast<ListBase*>(pressed))
            pressed->user_click();
        m_catch_up();
    } else if (m_background_pressed && m_form.on_mouse_up) {
        m_background_pressed = false;
        m_form.on_mouse_up(b, shift, x, y);
        m_catch_up();
    }
}

void FormInput::double_click(const QMouseEvent& e) {
    m_catch_up();
    Control* c = control_at(e.position().toPoint());
    m_pressed = c;
    // The background keeps its MouseUp after the form's double-click, as a control does.
    m_background_pressed = c == nullptr;
    m_second_press = true;
    if (c) c->user_dbl_click();
    m_catch_up();
}

void FormInput::wheel(const QWheelEvent& e) {
    if (auto* list = dynamic_cast<ListBase*>(control_at(e.position().toPoint())))
        list->set_top_index(list->top_index() - e.angleDelta().y() / 120 * 3);
}

}  // namespace rv::qt
