#include "standin/net/irc_text.h"

#include <cctype>
#include <cstdio>

#include "platform/text/html_escape.h"
#include "platform/text/utf8.h"

namespace rv::standin::net {

const std::uint32_t kIrcColours[16] = {0xFFFFFF, 0x000000, 0x00007F, 0x009300, 0xFF0000, 0x7F0000,
                                       0x9C009C, 0xFC7F00, 0xFFFF00, 0x00FC00, 0x009393, 0x00FFFF,
                                       0x0000FC, 0xFF00FF, 0x7F7F7F, 0xD2D2D2};

int nearest_irc_colour(std::uint32_t rgb) {
    int best = 0;
    long best_distance = -1;
    for (int k = 0; k < 16; ++k) {
        long d = 0;
        for (int shift : {16, 8, 0}) {
            long a = static_cast<long>((rgb >> shift) & 0xFF);
            long b = static_cast<long>((kIrcColours[k] >> shift) & 0xFF);
            d += (a - b) * (a - b);
        }
        if (best_distance < 0 || d < best_distance) {
            best = k;
            best_distance = d;
        }
    }
    return best;
}

namespace {

// Windows-1252 bytes 0x80-0x9F; the five it leaves undefined read as U+FFFD.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

struct HtmlStyle {
    bool bold = false, italic = false, underline = false;
    long rgb = -1;
    bool operator==(const HtmlStyle&) const = default;
};

void open_tags(std::string& out, const HtmlStyle& s) {
    if (s.rgb >= 0) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "<font color=\"#%06X\">",
                      static_cast<unsigned>(s.rgb) & 0xFFFFFFu);
        out += buf;
    }
    if (s.bold) out += "<b>";
    if (s.italic) out += "<i>";
    if (s.underline) out += "<u>";
}

void close_tags(std::string& out, const HtmlStyle& s) {
    if (s.underline) out += "</u>";
    if (s.italic) out += "</i>";
    if (s.bold) out += "</b>";
    if (s.rgb >= 0) out += "</font>";
}

// Reads up to `max` characters accepted by `accept` at text[i].
template <class Accept>
std::string_view take(std::string_view text, std::size_t& i, std::size_t max, Accept accept) {
    std::size_t start = i;
    while (i < text.size() && i - start < max && accept(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(start, i - start);
}

bool is_digit(unsigned char c) {
    return std::isdigit(c) != 0;
}
bool is_hex(unsigned char c) {
    return std::isxdigit(c) != 0;
}

// After \x03 at text[i - 1]: the foreground code (-1: none), background skipped.
int read_colour_code(std::string_view text, std::size_t& i) {
    std::string_view fg = take(text, i, 2, is_digit);
    if (fg.empty()) return -1;
    if (i + 1 < text.size() && text[i] == ',' &&
        is_digit(static_cast<unsigned char>(text[i + 1]))) {
        ++i;
        take(text, i, 2, is_digit);
    }
    return std::stoi(std::string(fg));
}

// After \x04: a six-digit hex foreground (-1: none), background skipped.
long read_hex_colour(std::string_view text, std::size_t& i) {
    std::size_t save = i;
    std::string_view fg = take(text, i, 6, is_hex);
    if (fg.size() != 6) {
        i = save;
        return -1;
    }
    std::size_t comma = i;
    if (comma < text.size() && text[comma] == ',') {
        ++i;
        if (take(text, i, 6, is_hex).size() != 6) i = comma;
    }
    return std::stol(std::string(fg), nullptr, 16);
}

}  // namespace

std::string repair_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const text::Utf8Match m = text::match_utf8(bytes, i);
        const std::size_t n = m.complete() ? m.needed : 0;
        if (n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        unsigned char b = static_cast<unsigned char>(bytes[i++]);
        text::append_utf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    return out;
}

std::string irc_to_html(std::string_view text) {
    std::string out;
    HtmlStyle style, shown;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i++]);
        if (c == kBold) {
            style.bold = !style.bold;
        } else if (c == kItalic) {
            style.italic = !style.italic;
        } else if (c == kUnderline) {
            style.underline = !style.underline;
        } else if (c == kReset) {
            style = {};
        } else if (c == kColour) {
            int code = read_colour_code(text, i);
            style.rgb = code >= 0 && code < 16 ? static_cast<long>(kIrcColours[code]) : -1;
        } else if (c == kHexColour) {
            style.rgb = read_hex_colour(text, i);
        } else if (c < 0x20 || c == 0x7F) {
            // reverse, strike-through, monospace and every other control: nothing to show
        } else if (c == 0xC2 && i < text.size() && static_cast<unsigned char>(text[i]) < 0xA0) {
            ++i;  // a C1 control character, U+0080 to U+009F
        } else {
            if (!(style == shown)) {
                close_tags(out, shown);
                open_tags(out, style);
                shown = style;
            }
            text::append_html_escaped(out, static_cast<char>(c));
        }
    }
    close_tags(out, shown);
    return out;
}

std::string colour_code(int code) {
    code = code < 0 ? 0 : code % 100;
    return {kColour, static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
}

std::string style_codes(const IrcStyle& style) {
    std::string out;
    if (style.colour >= 0) out += colour_code(style.colour);
    if (style.bold) out += kBold;
    if (style.italic) out += kItalic;
    if (style.underline) out += kUnderline;
    return out;
}

}  // namespace rv::standin::net

namespace rv::standin::net {

std::string strip_irc_codes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i++]);
        if (c == kColour)
            read_colour_code(text, i);
        else if (c == kHexColour)
            read_hex_colour(text, i);
        else if (c >= 0x20 && c != 0x7F)
            out += static_cast<char>(c);
    }
    return out;
}

}  // namespace rv::standin::net
