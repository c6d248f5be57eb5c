#pragma once
// What the borderless windows share in place of a frame: the gradient strip, the topmost
// band, drag-to-move, the title marquee and the slide-off close.
#include <cstdint>

#include "platform/forms/form.h"

namespace rv::ui {

using forms::Color;

// Paints `surface` with w + 2 one-pixel columns from `from_colour` to `to_colour` (only the
// three low bytes count, so a system-colour reference reads as its raw bytes) into the
// persistent image, and leaves scale, draw style and the persistent-image switch as found.
void PaintGradient(forms::PictureBox& surface, Color from_colour, Color to_colour);

void MakeTopmost(forms::Form& window);
void MakeNotTopmost(forms::Form& window);

// One per window: every drag surface of a window shares it.
struct DragState {
    std::int16_t dragging = 0;  // -1 true, 0 false
    float dragStartX = 0;       // pointer relative to the pressed surface at the press
    float dragStartY = 0;
    // The point of the window (client twips) under the pointer at the press. The window is
    // kept with this point under the pointer: a surface that moves by itself (a scrolling
    // title) does not carry the window along.
    float grabX = 0;
    float grabY = 0;
};

// `surface` is the pressed control, or null for the window's background; x and y are
// relative to it, as the drag handlers receive them.
void DragDown(DragState& s, const forms::Control* surface, float x, float y);
// Moves the window by the pointer's travel on the screen since the press.
void DragMove(forms::Form& window, const forms::Control* surface, const DragState& s, float x,
              float y);
void DragUp(DragState& s);
// Wires press, move and release of `surface` (any button) to drag `window`.
void MakeDragSurface(forms::Control& surface, forms::Form& window, DragState& s);
void MakeDragSurface(forms::Form& window, DragState& s);

// One tick of a title marquee: M wraps once its left is strictly less than minus
// `threshold_width`, re-entering at `reentry_width` - 6; otherwise it moves 10 twips left.
// The moving label stays behind the other controls of its container, so the fixed labels it
// passes (roll-up, minimise, close) keep their clicks and stay drawn over it, and it is
// marked as scrolling, so that it shows only between them, never beside or through them.
void MarqueeTick(forms::Label& moving, float threshold_width, float reentry_width);

// Moves the window right 300 twips a step, pumping before each step, until its left edge is
// past the screen's right edge; at least one step. Neither hides nor closes it.
void SlideOffScreen(forms::Form& window);

// The close of a window that stays loaded: slides it off the screen, then hides it and puts
// it back where it stood before the slide, so that showing it again brings it into view.
void SlideAway(forms::Form& window);

}  // namespace rv::ui
