// The values `print` shows: a window's own properties and its controls'.
#include "app/script_print.h"

#include <cmath>
#include <sstream>

namespace rv::app {

namespace {

std::string number_text(double v) {
    if (std::floor(v) == v && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    std::ostringstream o;
    o << v;
    return o.str();
}

std::string bool_text(bool b) {
    return b ? "True" : "False";
}

// The property every kind of control shares, or false.
bool common_property(const forms::Control& c, const std::string& p, std::string& value) {
    if (p == "Visible")
        value = bool_text(c.visible());
    else if (p == "Left")
        value = number_text(c.left());
    else if (p == "Top")
        value = number_text(c.top());
    else if (p == "Width")
        value = number_text(c.width());
    else if (p == "Height")
        value = number_text(c.height());
    else if (p == "ForeColor")
        value = std::to_string(c.fore_color());
    else if (p == "BackColor")
        value = std::to_string(c.back_color());
    else
        return false;
    return true;
}

bool list_property(const forms::ListBase& list, const std::string& p, std::string& value) {
    auto* files = dynamic_cast<const forms::FileListBox*>(&list);
    auto* dirs = dynamic_cast<const forms::DirListBox*>(&list);
    if (p == "Text")
        value = list.item(list.list_index());
    else if (p == "ListIndex")
        value = std::to_string(list.list_index());
    else if (p == "ListCount")
        value = std::to_string(list.list_count());
    else if (p == "Path" && files)
        value = files->path();
    else if (p == "Path" && dirs)
        value = dirs->path();
    else if (p == "FileName" && files)
        value = files->file_name();
    else
        return false;
    return true;
}

}  // namespace

bool form_property(const forms::Form& form, const std::string& p, std::string& value) {
    if (p == "Left")
        value = number_text(form.left());
    else if (p == "Top")
        value = number_text(form.top());
    else if (p == "Width")
        value = number_text(form.width());
    else if (p == "Height")
        value = number_text(form.height());
    else if (p == "Visible")
        value = bool_text(form.visible());
    else if (p == "Loaded")
        value = bool_text(form.loaded());
    else if (p == "Caption")
        value = form.caption();
    else if (p == "WindowState")
        value = std::to_string(static_cast<int>(form.window_state()));
    else if (p == "Topmost")
        value = bool_text(form.topmost());
    else
        return false;
    return true;
}

bool control_property(const forms::Control& c, std::string p, std::string& value) {
    auto* label = dynamic_cast<const forms::Label*>(&c);
    auto* text = dynamic_cast<const forms::TextBox*>(&c);
    auto* list = dynamic_cast<const forms::ListBase*>(&c);
    auto* bar = dynamic_cast<const forms::LevelBar*>(&c);
    auto* timer = dynamic_cast<const forms::Timer*>(&c);
    auto* scroll = dynamic_cast<const forms::ScrollBar*>(&c);
    if (p.empty())
        p = label ? "Caption" : text || list ? "Text" : bar || scroll ? "Value" : "Enabled";
    if (p == "Caption" && label)
        value = label->caption();
    else if (p == "Text" && text)
        value = text->text();
    else if (p == "Enabled")
        value = bool_text(timer ? timer->timer_enabled() : c.enabled());
    else if ((p == "Value" || p == "Max") && bar)
        value = std::to_string(p == "Value" ? bar->value() : bar->max());
    else if (p == "Value" && scroll)
        value = std::to_string(scroll->value());
    else if (p == "Interval" && timer)
        value = std::to_string(timer->interval_ms());
    else if (list && list_property(*list, p, value))
        return true;
    else
        return common_property(c, p, value);
    return true;
}

}  // namespace rv::app
