#include "standin/chat_html.h"

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <vector>

#include "platform/text/html_escape.h"
#include "platform/text/utf8.h"

namespace rv::standin {

namespace {

// Control characters (C0, DEL, C1) and the Unicode line and paragraph separators: none of
// them may reach a transcript line, which is always one line.
bool is_control(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

// The code point of the UTF-8 sequence at s[i] and its length; a broken sequence reads as
// U+FFFD of one byte, so that the byte passes through as it is.
std::uint32_t utf8_at(const std::string& s, std::size_t i, std::size_t& len) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    len = 1;
    if (c < 0x80) return c;
    const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (n == 1 || c >= 0xF8 || i + n > s.size()) return 0xFFFD;
    std::uint32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    len = n;
    return cp;
}

// Decodes the entity starting at html[i] == '&'; on success appends it and moves i past it.
bool decode_entity(const std::string& html, std::size_t& i, std::string& out) {
    std::size_t semi = html.find(';', i);
    if (semi == std::string::npos || semi - i > 10) return false;
    std::string name = html.substr(i + 1, semi - i - 1);
    static const struct {
        const char* name;
        std::uint32_t cp;
    } named[] = {{"amp", '&'},   {"lt", '<'},    {"gt", '>'},    {"quot", '"'},
                 {"apos", '\''}, {"nbsp", 0xA0}, {"copy", 0xA9}, {"reg", 0xAE}};
    std::uint32_t cp = 0;
    if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        for (char c : digits) {
            if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                      : std::isdigit(static_cast<unsigned char>(c))))
                return false;
            cp = cp * (hex ? 16 : 10) +
                 static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                ? c - '0'
                                                : (std::tolower(c) - 'a' + 10));
            if (cp > 0x10FFFF) return false;
        }
    } else {
        bool found = false;
        for (const auto& e : named)
            if (strcasecmp(e.name, name.c_str()) == 0) {
                cp = e.cp;
                found = true;
            }
        if (!found) return false;
    }
    if (is_control(cp)) cp = ' ';  // "&#10;" must not break a line, "&#9;" not forge a tab
    text::append_utf8(out, cp);
    i = semi + 1;
    return true;
}

struct Tag {
    std::string name;  // lower case, without '/'
    bool closing = false;
    std::string body;  // everything between the name and '>'
};

// Reads the tag at html[i] == '<'; false when '<' is text: as in HTML, a tag starts with a
// letter, "/" or "!" right after the '<', and needs its '>'.
bool read_tag(const std::string& html, std::size_t& i, Tag& tag) {
    const char next = i + 1 < html.size() ? html[i + 1] : 0;
    if (!std::isalpha(static_cast<unsigned char>(next)) && next != '/' && next != '!') return false;
    std::size_t close = html.find('>', i);
    if (close == std::string::npos) return false;
    std::string inner = html.substr(i + 1, close - i - 1);
    i = close + 1;
    std::size_t p = 0;
    while (p < inner.size() && std::isspace(static_cast<unsigned char>(inner[p]))) ++p;
    if (p < inner.size() && inner[p] == '/') {
        tag.closing = true;
        ++p;
    }
    std::size_t s = p;
    while (p < inner.size() && std::isalnum(static_cast<unsigned char>(inner[p]))) ++p;
    for (std::size_t k = s; k < p; ++k)
        tag.name += static_cast<char>(std::tolower(static_cast<unsigned char>(inner[k])));
    tag.body = inner.substr(p);
    return true;
}

std::string attribute(const std::string& body, const char* name) {
    std::string lower;
    for (char c : body) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t at = 0;
    std::size_t len = std::string(name).size();
    while ((at = lower.find(name, at)) != std::string::npos) {
        bool starts = at == 0 || !std::isalnum(static_cast<unsigned char>(lower[at - 1]));
        std::size_t p = at + len;
        while (p < body.size() && body[p] == ' ') ++p;
        if (starts && p < body.size() && body[p] == '=') {
            ++p;
            while (p < body.size() && body[p] == ' ') ++p;
            char q = p < body.size() && (body[p] == '"' || body[p] == '\'') ? body[p] : 0;
            if (q) ++p;
            std::size_t e = p;
            while (e < body.size() && (q ? body[e] != q : body[e] != ' ')) ++e;
            return body.substr(p, e - p);
        }
        at += len;
    }
    return "";
}

bool safe_colour(const std::string& v) {
    if (v.size() == 7 && v[0] == '#') {
        for (std::size_t k = 1; k < 7; ++k)
            if (!std::isxdigit(static_cast<unsigned char>(v[k]))) return false;
        return true;
    }
    if (v.empty() || v.size() > 20) return false;
    for (char c : v)
        if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    return true;
}

bool safe_face(const std::string& v) {
    if (v.empty() || v.size() > 40) return false;
    for (char c : v)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == ',' || c == '-'))
            return false;
    return true;
}

}  // namespace

std::string html_to_plain(const std::string& html) {
    std::string out;
    out.reserve(html.size());
    for (std::size_t i = 0; i < html.size();) {
        char c = html[i];
        Tag tag;
        std::size_t at = i;
        if (c == '<' && read_tag(html, at, tag)) {
            if (tag.name == "br") out += ' ';
            i = at;
        } else if (c == '&' && decode_entity(html, i, out)) {
        } else {
            // A typed tab stays; any other control character or separator becomes a blank.
            std::size_t len = 1;
            const std::uint32_t cp = utf8_at(html, i, len);
            if (c != '\t' && is_control(cp))
                out += ' ';
            else
                out.append(html, i, len);
            i += len;
        }
    }
    return out;
}

std::string safe_html(const std::string& html) {
    std::string out;
    std::vector<std::string> open;
    std::string text;
    auto flush = [&] {
        for (char ch : text) text::append_html_escaped(out, ch);
        text.clear();
    };
    for (std::size_t i = 0; i < html.size();) {
        char c = html[i];
        Tag tag;
        std::size_t at = i;
        if (c == '<' && read_tag(html, at, tag)) {
            i = at;
            flush();
            const std::string& n = tag.name;
            if (n == "br" && !tag.closing) {
                out += "<br>";
            } else if ((n == "b" || n == "i" || n == "u") && !tag.closing) {
                out += "<" + n + ">";
                open.push_back(n);
            } else if (n == "font" && !tag.closing) {
                std::string attrs;
                std::string colour = attribute(tag.body, "color");
                std::string face = attribute(tag.body, "face");
                std::string size = attribute(tag.body, "size");
                if (safe_colour(colour)) attrs += " color=\"" + colour + "\"";
                if (safe_face(face)) attrs += " face=\"" + face + "\"";
                if (size.size() == 1 && size[0] >= '1' && size[0] <= '7')
                    attrs += " size=\"" + size + "\"";
                out += "<font" + attrs + ">";
                open.push_back("font");
            } else if (tag.closing && (n == "b" || n == "i" || n == "u" || n == "font")) {
                // Close up to the innermost matching tag, reopening nothing: chat markup is
                // loose, and a stray close must not unbalance what follows.
                for (std::size_t k = open.size(); k-- > 0;) {
                    if (open[k] != n) continue;
                    for (std::size_t j = open.size(); j-- > k;) out += "</" + open[j] + ">";
                    std::vector<std::string> reopen(open.begin() + static_cast<long>(k) + 1,
                                                    open.end());
                    open.resize(k);
                    for (const auto& r : reopen) {
                        if (r == "font") continue;  // attributes are gone; keep it simple
                        out += "<" + r + ">";
                        open.push_back(r);
                    }
                    break;
                }
            }
            // Every other tag shows as nothing.
        } else if (c == '&') {
            std::string decoded;
            if (decode_entity(html, i, decoded)) {
                text += decoded;
            } else {
                text += c;
                ++i;
            }
        } else {
            text += c;
            ++i;
        }
    }
    flush();
    for (std::size_t j = open.size(); j-- > 0;) out += "</" + open[j] + ">";
    return out;
}

}  // namespace rv::standin
