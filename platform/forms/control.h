#pragma once
// Controls are plain models holding what the program reads and writes, in twips.
// Every setter that changes something tells the form, which tells its observers (the view).
#include <functional>
#include <string>
#include <type_traits>

#include "platform/forms/types.h"

namespace rv::forms {

class Form;

enum class Kind {
    Label,
    TextBox,
    ListBox,
    FileListBox,
    DirListBox,
    DriveListBox,
    PictureBox,
    Timer,
    ScrollBar,
    Button,
    LevelBar
};

using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

// A handler of one of the form's controls runs inside one of these. While any runs, a reload
// of the form keeps the old controls (retired); the outermost one frees them as it ends.
class HandlerScope {
  public:
    explicit HandlerScope(Form& f);
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    Form& m_form;
};

class Control {
  public:
    Control(Form& form, Kind kind, std::string name, Control* container);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return m_kind; }
    const std::string& name() const { return m_name; }
    Form& form() const { return m_form; }
    Control* container() const { return m_container; }

    float left() const { return m_left; }
    float top() const { return m_top; }
    float width() const { return m_width; }
    float height() const { return m_height; }
    void set_left(float v);
    void set_top(float v);
    void set_width(float v);
    void set_height(float v);
    void move(float left, float top, float width, float height);

    bool enabled() const { return m_enabled; }
    void set_enabled(bool v);
    bool visible() const { return m_visible; }
    void set_visible(bool v);
    Color fore_color() const { return m_fore; }
    void set_fore_color(Color c);
    Color back_color() const { return m_back; }
    void set_back_color(Color c);
    const Font& font() const { return m_font; }
    void set_font(Font f);
    const std::string& tool_tip() const { return m_tool_tip; }
    void set_tool_tip(std::string t);

    // Events the program handles.
    std::function<void()> on_click;
    std::function<void()> on_dbl_click;
    MouseHandler on_mouse_down;
    MouseHandler on_mouse_move;
    MouseHandler on_mouse_up;

    // Input as a user gives it: a disabled control ignores it. Coordinates in twips,
    // relative to this control.
    virtual void user_click();
    virtual void user_dbl_click();
    void user_mouse_down(int button, int shift, float x, float y);
    void user_mouse_move(int button, int shift, float x, float y);
    void user_mouse_up(int button, int shift, float x, float y);

    // Position relative to the form's client area.
    float abs_left() const;
    float abs_top() const;

    // Moves the control among those of its container: 0 to the front, 1 to the back.
    void ZOrder(int position = 0);

    // Set when a reload replaced the control; it lives on only while a handler of it runs.
    bool retired() const { return m_retired; }
    void retire() { m_retired = true; }

  protected:
    // `geometry` tells views that only the position or size moved.
    void changed(bool geometry = false);
    // Runs one of this control's handlers. It may reload the form and so retire this
    // control, which is then freed as the outermost handler of the form returns: nothing of
    // the control may be touched after a raise.
    template <class... Args>
    void raise(const std::function<void(Args...)>& handler, std::type_identity_t<Args>... args) {
        if (!handler) return;
        HandlerScope scope(m_form);
        handler(args...);
    }

  private:
    Form& m_form;
    Kind m_kind;
    std::string m_name;
    Control* m_container;
    float m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_enabled = true;
    bool m_visible = true;
    Color m_fore = 0x80000012;  // button text
    Color m_back = 0x8000000F;  // button face
    Font m_font;
    std::string m_tool_tip;
    bool m_retired = false;
};

class Label : public Control {
  public:
    Label(Form& f, std::string name, Control* container)
        : Control(f, Kind::Label, std::move(name), container) {}
    const std::string& caption() const { return m_caption; }
    void set_caption(std::string c);
    bool transparent() const { return m_transparent; }
    void set_transparent(bool v);
    Alignment alignment() const { return m_alignment; }
    void set_alignment(Alignment a);
    // A label that scrolls through its row on its own (a title marquee). It shows only in
    // the widest stretch of its row that the labels in front of it leave free, so it never
    // peeks out beside or between them.
    bool scrolls() const { return m_scrolls; }
    void set_scrolls(bool v);

  private:
    std::string m_caption;
    bool m_transparent = true;
    Alignment m_alignment = Alignment::Left;
    bool m_scrolls = false;
};

class Button : public Control {
  public:
    Button(Form& f, std::string name, Control* container)
        : Control(f, Kind::Button, std::move(name), container) {}
    const std::string& caption() const { return m_caption; }
    void set_caption(std::string c);

  private:
    std::string m_caption;
};

class TextBox : public Control {
  public:
    TextBox(Form& f, std::string name, Control* container)
        : Control(f, Kind::TextBox, std::move(name), container) {}
    const std::string& text() const { return m_text; }
    void set_text(std::string t);
    // The user's edit: a disabled or locked box refuses it.
    bool user_set_text(std::string t);
    bool multi_line() const { return m_multi_line; }
    void set_multi_line(bool v) { m_multi_line = v; }
    // 0 none, 1 horizontal, 2 vertical, 3 both.
    int scroll_bars() const { return m_scroll_bars; }
    void set_scroll_bars(int v) { m_scroll_bars = v; }
    bool locked() const { return m_locked; }
    void set_locked(bool v) { m_locked = v; }

  private:
    std::string m_text;
    bool m_multi_line = false;
    int m_scroll_bars = 0;
    bool m_locked = false;
};

class Timer : public Control {
  public:
    Timer(Form& f, std::string name, Control* container)
        : Control(f, Kind::Timer, std::move(name), container) {}
    ~Timer() override;
    int interval_ms() const { return m_interval_ms; }
    void set_interval_ms(int ms);
    bool timer_enabled() const { return m_on; }
    void set_timer_enabled(bool on);
    std::function<void()> on_timer;

    // The form calls these as it loads and unloads.
    void attach();
    void detach();

  private:
    void sync();
    int m_interval_ms = 0;
    bool m_on = true;
    bool m_attached = false;
    std::uint64_t m_timer_id = 0;
};

class ScrollBar : public Control {
  public:
    ScrollBar(Form& f, std::string name, Control* container)
        : Control(f, Kind::ScrollBar, std::move(name), container) {}
    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    void set_range(int min, int max);
    void set_changes(int small_change, int large_change);
    int small_change() const { return m_small; }
    int large_change() const { return m_large; }
    // Values outside the range are refused, as the toolkit does.
    bool set_value(int v);
    std::function<void()> on_change;

  private:
    int m_min = 0, m_max = 32767, m_value = 0, m_small = 1, m_large = 1;
};

class LevelBar : public Control {
  public:
    LevelBar(Form& f, std::string name, Control* container)
        : Control(f, Kind::LevelBar, std::move(name), container) {}
    int value() const { return m_value; }
    void set_value(int v);
    int max() const { return m_max; }
    void set_max(int v);
    Color bar_color1() const { return m_bar1; }
    Color bar_color2() const { return m_bar2; }
    void set_bar_colors(Color c1, Color c2);
    // The filled fraction 0..1 of what the bar shows; a Max of 0 or less shows empty.
    double fraction() const;

  private:
    int m_value = 0, m_max = 100;
    Color m_bar1 = 0xC00000, m_bar2 = 0xFF0000;
};

}  // namespace rv::forms
