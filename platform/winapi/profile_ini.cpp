#include "platform/winapi/profile_ini.h"

#include <strings.h>

#include <string_view>
#include <vector>

namespace rv::winapi::ini {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// A line as it stands in the file: its text, then its own line end ("\r\n", "\n" or none
// for a last line without one). A CR before the LF is part of the line end, so a rewrite
// hands it back exactly as it found it.
struct Line {
    std::string text;
    std::string end;
};

struct Lines {
    std::string bom;
    std::vector<Line> lines;
    std::string eol = "\r\n";  // for new lines: the file's own, the classic one for new files
};

Lines split(const std::string& text) {
    Lines out;
    std::string_view data = text;
    if (data.substr(0, kBom.size()) == kBom) {
        out.bom = std::string(kBom);
        data.remove_prefix(kBom.size());
    }
    if (std::size_t lf = data.find('\n'); lf != std::string_view::npos)
        out.eol = lf > 0 && data[lf - 1] == '\r' ? "\r\n" : "\n";
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t lf = data.find('\n', start);
        std::size_t next = lf == std::string_view::npos ? data.size() : lf + 1;
        std::size_t text_end = lf == std::string_view::npos ? data.size() : lf;
        if (lf != std::string_view::npos && text_end > start && data[text_end - 1] == '\r')
            --text_end;
        out.lines.push_back({std::string(data.substr(start, text_end - start)),
                             std::string(data.substr(text_end, next - text_end))});
        start = next;
    }
    return out;
}

std::string join(const Lines& l) {
    std::string out = l.bom;
    for (const auto& line : l.lines) out += line.text + line.end;
    return out;
}

std::string_view trim(std::string_view s) {
    const char* ws = " \t\r";
    std::size_t a = s.find_first_not_of(ws);
    if (a == std::string_view::npos) return {};
    std::size_t b = s.find_last_not_of(ws);
    return s.substr(a, b - a + 1);
}

bool equal_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The section name of a "[name]" line, or false.
bool section_of(const std::string& line, std::string_view& name) {
    std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

// The key and value of a "key=value" line, or false.
bool entry_of(const std::string& line, std::string_view& key, std::string_view& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trim(std::string_view(line).substr(0, eq));
    value = trim(std::string_view(line).substr(eq + 1));
    return true;
}

// Line range [first, last) of the first section called `section`; first is the header.
bool find_section(const Lines& l, const char* section, std::size_t& first, std::size_t& last) {
    for (std::size_t i = 0; i < l.lines.size(); ++i) {
        std::string_view name;
        if (!section_of(l.lines[i].text, name) || !equal_nocase(name, section)) continue;
        first = i;
        last = i + 1;
        while (last < l.lines.size() && !section_of(l.lines[last].text, name)) ++last;
        return true;
    }
    return false;
}

bool find_key(const Lines& l, std::size_t first, std::size_t last, const char* key, std::size_t& at,
              std::string_view& value) {
    for (std::size_t i = first + 1; i < last; ++i) {
        std::string_view k;
        if (entry_of(l.lines[i].text, k, value) && equal_nocase(k, key)) {
            at = i;
            return true;
        }
    }
    return false;
}

// Inserts a line at `pos`; a last line without a line end gets one first.
void insert_line(Lines& l, std::size_t pos, std::string text) {
    if (pos == l.lines.size() && pos > 0 && l.lines[pos - 1].end.empty())
        l.lines[pos - 1].end = l.eol;
    l.lines.insert(l.lines.begin() + static_cast<std::ptrdiff_t>(pos), {std::move(text), l.eol});
}

}  // namespace

bool find_value(const std::string& text, const char* section, const char* key, std::string& value) {
    if (!section || !key) return false;
    Lines l = split(text);
    std::size_t first = 0, last = 0, at = 0;
    std::string_view v;
    if (!find_section(l, section, first, last) || !find_key(l, first, last, key, at, v))
        return false;
    // One pair of surrounding quotes is dropped, as the platform does.
    if (v.size() >= 2 &&
        ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        v = v.substr(1, v.size() - 2);
    value = std::string(v);
    return true;
}

bool can_store(const char* section, const char* key, const char* value) {
    if (!section || !key || !*section || !*key) return false;
    const std::string_view s = section, k = key, v = value ? value : "";
    return s.find_first_of("\r\n]") == std::string_view::npos &&
           k.find_first_of("\r\n=") == std::string_view::npos && !trim(s).empty() &&
           !trim(k).empty() && v.find_first_of("\r\n") == std::string_view::npos;
}

std::string set_value(const std::string& text, const char* section, const char* key,
                      const char* value) {
    if (!can_store(section, key, value)) return text;
    Lines l = split(text);
    std::size_t first = 0, last = 0, at = 0;
    std::string_view old;
    std::string line = std::string(key) + "=" + (value ? value : "");
    if (!find_section(l, section, first, last)) {
        if (!value) return text;
        if (!l.lines.empty() && !trim(l.lines.back().text).empty())
            insert_line(l, l.lines.size(), "");
        insert_line(l, l.lines.size(), "[" + std::string(section) + "]");
        insert_line(l, l.lines.size(), line);
    } else if (find_key(l, first, last, key, at, old)) {
        if (value)
            l.lines[at].text = line;  // its own line end stays
        else
            l.lines.erase(l.lines.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (value) {
        // After the section's last non-blank line.
        std::size_t pos = last;
        while (pos > first + 1 && trim(l.lines[pos - 1].text).empty()) --pos;
        insert_line(l, pos, line);
    }
    return join(l);
}

}  // namespace rv::winapi::ini
