#pragma once
// The properties a script can print, as text: numbers in decimal, booleans True/False.
#include <string>

#include "platform/forms/control.h"
#include "platform/forms/form.h"
#include "platform/forms/lists.h"

namespace rv::app {

// A window's own property (Left, Top, Width, Height, Visible, Loaded, Caption, WindowState,
// Topmost); false when it has none of that name.
bool form_property(const forms::Form& form, const std::string& property, std::string& value);
// A control's property; an empty name is the control's usual one (a label's Caption, a text
// box's or list's Text, a bar's Value, otherwise Enabled). False when it has none of that name.
bool control_property(const forms::Control& control, std::string property, std::string& value);

}  // namespace rv::app
