#include "app/script.h"

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "app/program.h"

namespace rv::app {

namespace {

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// "FORM.CONTROL[.PROPERTY]"
bool parse_target(const std::string& t, ScriptAction& a, bool allow_property) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = t.find('.', start);
        parts.push_back(t.substr(start, dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    for (const auto& p : parts)
        if (p.empty()) return false;
    if (parts.size() < 2 || parts.size() > (allow_property ? 3u : 2u)) return false;
    a.form = parts[0];
    a.control = parts[1];
    if (parts.size() == 3) a.property = parts[2];
    return true;
}

bool parse_int(const std::string& s, int& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    long x = std::strtol(s.c_str(), &end, 10);
    if (*end || x < 0 || x > 1000000) return false;
    v = static_cast<int>(x);
    return true;
}

std::string number_text(double v) {
    if (std::floor(v) == v && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    std::ostringstream o;
    o << v;
    return o.str();
}

std::string bool_text(bool b) {
    return b ? "True" : "False";
}

}  // namespace

bool parse_script(const std::string& text, std::vector<ScriptAction>& out, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        std::size_t sp = line.find_first_of(" \t");
        std::string verb = line.substr(0, sp);
        std::string rest =
            sp == std::string::npos ? "" : raw.substr(raw.find(verb) + verb.size() + 1);
        ScriptAction a;
        a.line = number;
        a.verb = verb;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        if (verb == "answer") {
            a.cancel = sp == std::string::npos;
            a.text = rest;
        } else if (verb == "say") {
            a.text = rest;  // an empty line is a line too
        } else if (verb == "say-as") {
            std::string r = trim(rest);
            if (r.empty()) return fail("say-as needs a NAME and a TEXT");
            if (r[0] == '"') {
                std::size_t close = r.find('"', 1);
                if (close == std::string::npos) return fail("unclosed quote in the name");
                a.name = r.substr(1, close - 1);
                a.text = close + 1 < r.size() ? r.substr(close + 1) : "";
                if (!a.text.empty() && a.text[0] == ' ') a.text.erase(0, 1);
            } else {
                std::size_t s = r.find(' ');
                a.name = r.substr(0, s);
                a.text = s == std::string::npos ? "" : r.substr(s + 1);
            }
            if (trim(a.name).empty()) return fail("say-as needs a NAME");
        } else if (verb == "click" || verb == "dblclick") {
            std::istringstream words(rest);
            std::string target, index, extra;
            words >> target >> index >> extra;
            if (!extra.empty()) return fail("too many words");
            if (!parse_target(target, a, false)) return fail("expected FORM.CONTROL [INDEX]");
            if (!index.empty() && !parse_int(index, a.index))
                return fail("INDEX must be a whole number from 0");
        } else if (verb == "wait") {
            std::string s = trim(rest);
            char* end = nullptr;
            a.seconds = std::strtod(s.c_str(), &end);
            if (s.empty() || *end || !std::isfinite(a.seconds) || a.seconds < 0 ||
                a.seconds > 86400)
                return fail("wait needs SECONDS from 0 to 86400");
        } else if (verb == "print") {
            std::string t = trim(rest);
            if (t.find_first_of(" \t") != std::string::npos || !parse_target(t, a, true))
                return fail("expected FORM.CONTROL[.PROPERTY]");
        } else if (verb == "open-room" || verb == "open-im") {
            a.text = trim(rest);
            if (a.text.empty()) return fail(verb + " needs a NAME");
        } else {
            return fail("unknown action '" + verb + "'");
        }
        out.push_back(std::move(a));
    }
    return true;
}

ScriptRunner::ScriptRunner(Program& program, std::vector<ScriptAction> actions, std::ostream& out,
                           std::ostream& err)
    : m_program(program), m_actions(std::move(actions)), m_out(out), m_err(err) {
    m_program.client.on_line.push_back([this](const standin::Room&, const standin::ChatLine& line) {
        m_out << "ROOM " << line.screen_name << ": " << line.html << "\n" << std::flush;
    });
}

void ScriptRunner::step() {
    if (done()) return;
    const ScriptAction& a = m_actions[m_next++];
    run(a);
}

std::string ScriptRunner::next_answer() {
    while (m_answers.empty() && !done()) step();
    if (m_answers.empty()) return "";
    std::optional<std::string> a = m_answers.front();
    m_answers.pop_front();
    return a.value_or("");
}

void ScriptRunner::run(const ScriptAction& a) {
    EventLoop& loop = m_program.env.loop();
    standin::Room* room = m_program.client.top_room();
    if (a.verb == "answer") {
        m_answers.push_back(a.cancel ? std::nullopt : std::optional<std::string>(a.text));
    } else if (a.verb == "say") {
        if (room) m_program.client.user_send(*room, a.text);
    } else if (a.verb == "say-as") {
        if (room && !m_program.client.say_as(*room, a.name, a.text))
            m_err << "line " << a.line << ": the client refused the name \"" << a.name << "\"\n";
    } else if (a.verb == "click" || a.verb == "dblclick") {
        user_input(a, a.verb == "dblclick");
    } else if (a.verb == "wait") {
        loop.wait_until(loop.now() + a.seconds);
    } else if (a.verb == "print") {
        print(a);
    } else if (a.verb == "open-room") {
        m_program.client.open_room(a.text);
    } else if (a.verb == "open-im") {
        m_program.client.open_im(a.text);
    }
}

namespace {
forms::Form* find_form(const forms::Environment& env, const std::string& name) {
    for (forms::Form* f : env.forms())
        if (f->name() == name) return f;
    return nullptr;
}
}  // namespace

bool ScriptRunner::user_input(const ScriptAction& a, bool dbl) {
    forms::Form* form = find_form(m_program.env, a.form);
    forms::Control* c = form && form->loaded() ? form->find(a.control) : nullptr;
    if (!c) {
        m_err << "line " << a.line << ": no loaded control " << a.form << "." << a.control << "\n";
        return false;
    }
    auto* list = dynamic_cast<forms::ListBase*>(c);
    if (a.index >= 0) {
        if (!list || a.index >= list->list_count()) {
            m_err << "line " << a.line << ": " << a.form << "." << a.control << " has no entry "
                  << a.index << "\n";
            return false;
        }
        // A user's click on an entry selects it, and that is its click.
        list->user_select_row(a.index - list->top_index());
        if (!dbl) return true;
    }
    if (dbl)
        c->user_dbl_click();
    else
        c->user_click();
    return true;
}

void ScriptRunner::print(const ScriptAction& a) {
    std::string target = a.form + "." + a.control + (a.property.empty() ? "" : "." + a.property);
    forms::Form* form = find_form(m_program.env, a.form);
    if (!form) {
        m_err << "line " << a.line << ": no form " << a.form << "\n";
        return;
    }
    std::string value;
    bool known = true;
    forms::Control* c = form->loaded() ? form->find(a.control) : nullptr;
    if (!c) {
        // FORM.PROPERTY: the window itself.
        const std::string& p = a.control;
        if (p == "Left")
            value = number_text(form->left());
        else if (p == "Top")
            value = number_text(form->top());
        else if (p == "Width")
            value = number_text(form->width());
        else if (p == "Height")
            value = number_text(form->height());
        else if (p == "Visible")
            value = bool_text(form->visible());
        else if (p == "Loaded")
            value = bool_text(form->loaded());
        else if (p == "Caption")
            value = form->caption();
        else if (p == "WindowState")
            value = std::to_string(static_cast<int>(form->window_state()));
        else if (p == "Topmost")
            value = bool_text(form->topmost());
        else
            known = false;
        if (!a.property.empty()) known = false;
    } else {
        std::string p = a.property;
        auto* label = dynamic_cast<forms::Label*>(c);
        auto* text = dynamic_cast<forms::TextBox*>(c);
        auto* list = dynamic_cast<forms::ListBase*>(c);
        auto* files = dynamic_cast<forms::FileListBox*>(c);
        auto* dirs = dynamic_cast<forms::DirListBox*>(c);
        auto* bar = dynamic_cast<forms::LevelBar*>(c);
        auto* timer = dynamic_cast<forms::Timer*>(c);
        auto* scroll = dynamic_cast<forms::ScrollBar*>(c);
        if (p.empty())
            p = label           ? "Caption"
                : text          ? "Text"
                : list          ? "Text"
                : bar || scroll ? "Value"
                                : "Enabled";
        if (p == "Caption" && label)
            value = label->caption();
        else if (p == "Text" && text)
            value = text->text();
        else if (p == "Text" && list)
            value = list->item(list->list_index());
        else if (p == "Enabled")
            value = bool_text(timer ? timer->timer_enabled() : c->enabled());
        else if (p == "Visible")
            value = bool_text(c->visible());
        else if (p == "Left")
            value = number_text(c->left());
        else if (p == "Top")
            value = number_text(c->top());
        else if (p == "Width")
            value = number_text(c->width());
        else if (p == "Height")
            value = number_text(c->height());
        else if (p == "ForeColor")
            value = std::to_string(c->fore_color());
        else if (p == "BackColor")
            value = std::to_string(c->back_color());
        else if (p == "Path" && files)
            value = files->path();
        else if (p == "Path" && dirs)
            value = dirs->path();
        else if (p == "ListIndex" && list)
            value = std::to_string(list->list_index());
        else if (p == "ListCount" && list)
            value = std::to_string(list->list_count());
        else if (p == "FileName" && files)
            value = files->file_name();
        else if (p == "Value" && bar)
            value = std::to_string(bar->value());
        else if (p == "Max" && bar)
            value = std::to_string(bar->max());
        else if (p == "Value" && scroll)
            value = std::to_string(scroll->value());
        else if (p == "Interval" && timer)
            value = std::to_string(timer->interval_ms());
        else
            known = false;
    }
    if (!known) {
        m_err << "line " << a.line << ": no property " << target << "\n";
        return;
    }
    m_out << target << "=" << value << "\n" << std::flush;
}

}  // namespace rv::app
