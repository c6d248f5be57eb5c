#include <cmath>
#include <cstdlib>
#include <sstream>

#include "app/script.h"

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

// `say-as NAME TEXT`: a quoted name may hold blanks; an unquoted one ends at the first blank
// or tab, so no tab can join the name and the text into one name.
const char* parse_say_as(const std::string& rest, ScriptAction& a) {
    std::string r = trim(rest);
    if (r.empty()) return "say-as needs a NAME and a TEXT";
    std::size_t text_at = std::string::npos;
    if (r[0] == '"') {
        std::size_t close = r.find('"', 1);
        if (close == std::string::npos) return "unclosed quote in the name";
        a.name = r.substr(1, close - 1);
        text_at = close + 1;
    } else {
        std::size_t s = r.find_first_of(" \t");
        a.name = r.substr(0, s);
        text_at = s;
    }
    // One separator between the name and the text; the text keeps the rest as typed.
    if (text_at < r.size() && (r[text_at] == ' ' || r[text_at] == '\t')) ++text_at;
    a.text = text_at < r.size() ? r.substr(text_at) : "";
    if (trim(a.name).empty()) return "say-as needs a NAME";
    return nullptr;
}

const char* parse_wait(const std::string& rest, ScriptAction& a) {
    std::string s = trim(rest);
    char* end = nullptr;
    a.seconds = std::strtod(s.c_str(), &end);
    if (s.empty() || *end || !std::isfinite(a.seconds) || a.seconds < 0 ||
        a.seconds > kMaxWaitSeconds)
        return "wait needs SECONDS from 0 to 86400";
    return nullptr;
}

const char* parse_click(const std::string& rest, ScriptAction& a) {
    std::istringstream words(rest);
    std::string target, index, extra;
    words >> target >> index >> extra;
    if (!extra.empty()) return "too many words";
    if (!parse_target(target, a, false)) return "expected FORM.CONTROL [INDEX]";
    if (!index.empty() && !parse_int(index, a.index)) return "INDEX must be a whole number from 0";
    return nullptr;
}

// Fills `a` from one line's verb and the rest of the line; the reason on a bad line.
std::string parse_action(const std::string& verb, const std::string& rest, bool alone,
                         ScriptAction& a) {
    const char* why = nullptr;
    if (verb == "answer") {
        a.cancel = alone;
        a.text = rest;
    } else if (verb == "say") {
        a.text = rest;  // an empty line is a line too
    } else if (verb == "say-as") {
        why = parse_say_as(rest, a);
    } else if (verb == "click" || verb == "dblclick") {
        why = parse_click(rest, a);
    } else if (verb == "wait") {
        why = parse_wait(rest, a);
    } else if (verb == "print") {
        std::string t = trim(rest);
        if (t.find_first_of(" \t") != std::string::npos || !parse_target(t, a, true))
            why = "expected FORM.CONTROL[.PROPERTY]";
    } else if (verb == "open-room" || verb == "open-im") {
        a.text = trim(rest);
        if (a.text.empty()) return verb + " needs a NAME";
    } else {
        return "unknown action '" + verb + "'";
    }
    return why ? why : "";
}

}  // namespace

bool parse_script(const std::string& text, std::vector<ScriptAction>& out, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::size_t start = raw.find_first_not_of(" \t\r");
        if (start == std::string::npos || raw[start] == '#') continue;
        std::size_t sp = raw.find_first_of(" \t", start);
        ScriptAction a;
        a.line = number;
        a.verb = raw.substr(start, sp == std::string::npos ? std::string::npos : sp - start);
        // What follows the verb and one separator, as typed.
        std::string rest = sp == std::string::npos ? "" : raw.substr(sp + 1);
        std::string why = parse_action(a.verb, rest, trim(raw.substr(start)) == a.verb, a);
        if (!why.empty()) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        out.push_back(std::move(a));
    }
    return true;
}

}  // namespace rv::app
