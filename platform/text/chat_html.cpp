#include "platform/text/chat_html.h"

#include <cctype>

#include "platform/text/case.h"
#include "platform/text/utf8.h"

namespace rv::text {

namespace {

bool digit_of(char c, bool hex, std::uint32_t& value) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isdigit(u)) {
        value = static_cast<std::uint32_t>(c - '0');
        return true;
    }
    if (hex && std::isxdigit(u)) {
        value = static_cast<std::uint32_t>(std::tolower(u) - 'a' + 10);
        return true;
    }
    return false;
}

// Decodes the entity at html[i] == '&' into `out` and moves i past it; false (nothing moved)
// when it is none.
bool decode_entity(std::string_view html, std::size_t& i, std::string& out) {
    const std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i < 2 || semi - i > 10) return false;
    const std::string name = ascii_lower(html.substr(i + 1, semi - i - 1));
    std::uint32_t cp = 0;
    if (name[0] == '#') {
        const bool hex = name.size() > 1 && name[1] == 'x';
        const std::string_view digits = std::string_view(name).substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        for (char c : digits) {
            std::uint32_t d = 0;
            if (!digit_of(c, hex, d)) return false;
            cp = cp * (hex ? 16 : 10) + d;
            if (cp > 0x10FFFF) return false;
        }
    } else {
        static const struct {
            const char* name;
            std::uint32_t cp;
        } named[] = {{"amp", '&'},   {"lt", '<'},    {"gt", '>'},    {"quot", '"'},
                     {"apos", '\''}, {"nbsp", 0xA0}, {"copy", 0xA9}, {"reg", 0xAE}};
        bool found = false;
        for (const auto& e : named)
            if (name == e.name) {
                cp = e.cp;
                found = true;
            }
        if (!found) return false;
    }
    if (is_control(cp)) cp = ' ';
    append_utf8(out, cp);
    i = semi + 1;
    return true;
}

// Reads the tag at html[i] == '<' and moves i past it; false when the '<' is text.
bool read_tag(std::string_view html, std::size_t& i, HtmlTag& tag) {
    const char next = i + 1 < html.size() ? html[i + 1] : 0;
    if (!std::isalpha(static_cast<unsigned char>(next)) && next != '/' && next != '!') return false;
    const std::size_t close = html.find('>', i);
    if (close == std::string_view::npos) return false;
    const std::string_view inner = html.substr(i + 1, close - i - 1);
    i = close + 1;
    std::size_t p = 0;
    while (p < inner.size() && std::isspace(static_cast<unsigned char>(inner[p]))) ++p;
    if (p < inner.size() && inner[p] == '/') {
        tag.closing = true;
        ++p;
    }
    const std::size_t start = p;
    while (p < inner.size() && std::isalnum(static_cast<unsigned char>(inner[p]))) ++p;
    tag.name = ascii_lower(inner.substr(start, p - start));
    tag.body = inner.substr(p);
    return true;
}

}  // namespace

bool is_control(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

void read_chat_html(std::string_view html, const HtmlReader& reader) {
    std::string text;
    auto flush = [&] {
        if (!text.empty() && reader.on_text) reader.on_text(text);
        text.clear();
    };
    for (std::size_t i = 0; i < html.size();) {
        const char c = html[i];
        HtmlTag tag;
        if (c == '<' && read_tag(html, i, tag)) {
            flush();
            if (reader.on_tag) reader.on_tag(tag);
        } else if (c == '&' && decode_entity(html, i, text)) {
        } else {
            text += c;
            ++i;
        }
    }
    flush();
}

std::string html_attribute(std::string_view body, std::string_view name) {
    const std::string low = ascii_lower(body);
    for (std::size_t at = low.find(name); at != std::string::npos; at = low.find(name, at + 1)) {
        if (at > 0 && std::isalnum(static_cast<unsigned char>(low[at - 1]))) continue;
        std::size_t p = at + name.size();
        while (p < body.size() && body[p] == ' ') ++p;
        if (p >= body.size() || body[p] != '=') continue;
        ++p;
        while (p < body.size() && body[p] == ' ') ++p;
        const char quote = p < body.size() && (body[p] == '"' || body[p] == '\'') ? body[p] : 0;
        if (quote) ++p;
        std::size_t end = p;
        while (end < body.size() && (quote ? body[end] != quote : body[end] != ' ')) ++end;
        return std::string(body.substr(p, end - p));
    }
    return "";
}

}  // namespace rv::text
