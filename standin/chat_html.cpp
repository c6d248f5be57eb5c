#include "standin/chat_html.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "platform/text/chat_html.h"
#include "platform/text/html_escape.h"
#include "platform/text/utf8.h"

namespace rv::standin {

namespace {

// The code point of the UTF-8 sequence at s[i] and its length; a broken sequence reads as
// U+FFFD of one byte, so that the byte passes through as it is.
std::uint32_t utf8_at(std::string_view s, std::size_t i, std::size_t& len) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    len = 1;
    if (c < 0x80) return c;
    const std::size_t n = text::utf8_length(c);
    if (n == 1 || i + n > s.size()) return 0xFFFD;
    std::uint32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if (!text::is_continuation(static_cast<char>(b(k)))) return 0xFFFD;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    len = n;
    return cp;
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

// The safe subset of a tag, written to `out`; `open` holds the tags still open.
void safe_tag(const text::HtmlTag& tag, std::string& out, std::vector<std::string>& open) {
    const std::string& n = tag.name;
    if (n == "br" && !tag.closing) {
        out += "<br>";
    } else if ((n == "b" || n == "i" || n == "u") && !tag.closing) {
        out += "<" + n + ">";
        open.push_back(n);
    } else if (n == "font" && !tag.closing) {
        std::string attrs;
        const std::string colour = text::html_attribute(tag.body, "color");
        const std::string face = text::html_attribute(tag.body, "face");
        const std::string size = text::html_attribute(tag.body, "size");
        if (safe_colour(colour)) attrs += " color=\"" + colour + "\"";
        if (safe_face(face)) attrs += " face=\"" + face + "\"";
        if (size.size() == 1 && size[0] >= '1' && size[0] <= '7') attrs += " size=\"" + size + "\"";
        out += "<font" + attrs + ">";
        open.push_back("font");
    } else if (tag.closing && (n == "b" || n == "i" || n == "u" || n == "font")) {
        // Close up to the innermost matching tag, reopening nothing: chat markup is loose,
        // and a stray close must not unbalance what follows.
        for (std::size_t k = open.size(); k-- > 0;) {
            if (open[k] != n) continue;
            for (std::size_t j = open.size(); j-- > k;) out += "</" + open[j] + ">";
            std::vector<std::string> reopen(open.begin() + static_cast<long>(k) + 1, open.end());
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
}

}  // namespace

std::string html_to_plain(const std::string& html) {
    std::string out;
    out.reserve(html.size());
    text::HtmlReader reader;
    reader.on_tag = [&](const text::HtmlTag& tag) {
        if (tag.name == "br") out += ' ';
    };
    reader.on_text = [&](std::string_view run) {
        // A typed tab stays; any other control character or separator becomes a blank.
        for (std::size_t i = 0; i < run.size();) {
            std::size_t len = 1;
            const std::uint32_t cp = utf8_at(run, i, len);
            if (run[i] != '\t' && text::is_control(cp))
                out += ' ';
            else
                out.append(run, i, len);
            i += len;
        }
    };
    text::read_chat_html(html, reader);
    return out;
}

std::string safe_html(const std::string& html) {
    std::string out;
    std::vector<std::string> open;
    text::HtmlReader reader;
    reader.on_tag = [&](const text::HtmlTag& tag) { safe_tag(tag, out, open); };
    reader.on_text = [&](std::string_view run) {
        for (char ch : run) text::append_html_escaped(out, ch);
    };
    text::read_chat_html(html, reader);
    for (std::size_t j = open.size(); j-- > 0;) out += "</" + open[j] + ">";
    return out;
}

}  // namespace rv::standin
