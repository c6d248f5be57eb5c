#include "standin/net/html_to_irc.h"

#include <cctype>
#include <vector>

#include "standin/net/irc_text.h"

namespace rv::standin::net {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The entity at html[i] == '&', decoded into `out`; false (nothing moved) when it is none.
bool decode_entity(std::string_view html, std::size_t& i, std::string& out) {
    std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i < 2 || semi - i > 10) return false;
    std::string name = lower(html.substr(i + 1, semi - i - 1));
    std::uint32_t cp = 0;
    if (name[0] == '#') {
        bool hex = name.size() > 1 && name[1] == 'x';
        std::string digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        for (char c : digits) {
            bool ok = hex ? std::isxdigit(static_cast<unsigned char>(c))
                          : std::isdigit(static_cast<unsigned char>(c));
            if (!ok) return false;
            cp = cp * (hex ? 16 : 10) +
                 static_cast<std::uint32_t>(
                     std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
            if (cp > 0x10FFFF) return false;
        }
    } else {
        static const struct {
            const char* name;
            std::uint32_t cp;
        } named[] = {{"amp", '&'},   {"lt", '<'},   {"gt", '>'},    {"quot", '"'},
                     {"apos", '\''}, {"nbsp", ' '}, {"copy", 0xA9}, {"reg", 0xAE}};
        bool found = false;
        for (const auto& e : named)
            if (name == e.name) {
                cp = e.cp;
                found = true;
            }
        if (!found) return false;
    }
    append_utf8(out, cp);
    i = semi + 1;
    return true;
}

// The value of attribute `name` in a tag's body ("color", "face"), or "".
std::string attribute(std::string_view body, std::string_view name) {
    std::string low = lower(body);
    for (std::size_t at = low.find(name); at != std::string::npos; at = low.find(name, at + 1)) {
        if (at > 0 && std::isalnum(static_cast<unsigned char>(low[at - 1]))) continue;
        std::size_t p = at + name.size();
        while (p < body.size() && body[p] == ' ') ++p;
        if (p >= body.size() || body[p] != '=') continue;
        ++p;
        while (p < body.size() && body[p] == ' ') ++p;
        char quote = p < body.size() && (body[p] == '"' || body[p] == '\'') ? body[p] : 0;
        if (quote) ++p;
        std::size_t end = p;
        while (end < body.size() && (quote ? body[end] != quote : body[end] != ' ')) ++end;
        return std::string(body.substr(p, end - p));
    }
    return "";
}

class Writer {
  public:
    void open(const std::string& tag, std::string_view body) {
        if (tag == "b" || tag == "strong") m_want.bold = true;
        if (tag == "i" || tag == "em") m_want.italic = true;
        if (tag == "u") m_want.underline = true;
        if (tag == "br" || tag == "p") text(" ");
        if (tag == "font" && m_colours.size() < 64) {
            std::uint32_t rgb = 0;
            bool has = parse_html_colour(attribute(body, "color"), rgb);
            // A font tag without a colour keeps the colour in force.
            m_colours.push_back(has ? nearest_irc_colour(rgb)
                                    : (m_colours.empty() ? -1 : m_colours.back()));
        }
    }
    void close(const std::string& tag) {
        if (tag == "b" || tag == "strong") m_want.bold = false;
        if (tag == "i" || tag == "em") m_want.italic = false;
        if (tag == "u") m_want.underline = false;
        if (tag == "font" && !m_colours.empty()) m_colours.pop_back();
    }
    void text(std::string_view s) {
        for (char c : s) {
            unsigned char u = static_cast<unsigned char>(c);
            if (c == '\r' || c == '\n' || c == '\t')
                c = ' ';
            else if (u < 0x20 || u == 0x7F)
                continue;
            catch_up(c);
            m_out += c;
        }
    }
    std::string take() { return std::move(m_out); }

  private:
    // Brings the codes written so far up to the style wanted before `next` is written.
    void catch_up(char next) {
        m_want.colour = m_colours.empty() ? -1 : m_colours.back();
        if (m_want == m_shown) return;
        bool colour_last = false;
        if (m_want.colour != m_shown.colour) {
            if (m_want.colour < 0) {
                m_out += kReset;
                m_shown = {};
            } else {
                m_out += colour_code(m_want.colour);
                m_shown.colour = m_want.colour;
                colour_last = true;
            }
        }
        std::size_t before = m_out.size();
        if (m_want.bold != m_shown.bold) m_out += kBold;
        if (m_want.italic != m_shown.italic) m_out += kItalic;
        if (m_want.underline != m_shown.underline) m_out += kUnderline;
        // A ',' right after a colour's digits would start a background colour.
        if (next == ',' && colour_last && m_out.size() == before) m_out += std::string(2, kBold);
        m_shown = m_want;
    }

    std::string m_out;
    IrcStyle m_want, m_shown;
    std::vector<int> m_colours;
};

}  // namespace

bool parse_html_colour(std::string_view value, std::uint32_t& rgb) {
    std::string v = lower(value);
    static const struct {
        const char* name;
        std::uint32_t rgb;
    } names[] = {{"black", 0x000000},  {"silver", 0xC0C0C0}, {"gray", 0x808080},
                 {"grey", 0x808080},   {"white", 0xFFFFFF},  {"maroon", 0x800000},
                 {"red", 0xFF0000},    {"purple", 0x800080}, {"fuchsia", 0xFF00FF},
                 {"green", 0x008000},  {"lime", 0x00FF00},   {"olive", 0x808000},
                 {"yellow", 0xFFFF00}, {"navy", 0x000080},   {"blue", 0x0000FF},
                 {"teal", 0x008080},   {"aqua", 0x00FFFF}};
    for (const auto& n : names)
        if (v == n.name) {
            rgb = n.rgb;
            return true;
        }
    if (!v.empty() && v[0] == '#') v.erase(0, 1);
    if (v.size() != 6 && v.size() != 3) return false;
    for (char c : v)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    if (v.size() == 3) v = {v[0], v[0], v[1], v[1], v[2], v[2]};
    rgb = static_cast<std::uint32_t>(std::stoul(v, nullptr, 16));
    return true;
}

std::string html_to_irc(std::string_view html) {
    Writer w;
    for (std::size_t i = 0; i < html.size();) {
        char c = html[i];
        std::size_t close = c == '<' ? html.find('>', i) : std::string_view::npos;
        if (close != std::string_view::npos) {
            std::string_view inner = html.substr(i + 1, close - i - 1);
            i = close + 1;
            std::size_t p = 0;
            while (p < inner.size() && inner[p] == ' ') ++p;
            bool closing = p < inner.size() && inner[p] == '/';
            if (closing) ++p;
            std::size_t s = p;
            while (p < inner.size() && std::isalnum(static_cast<unsigned char>(inner[p]))) ++p;
            std::string name = lower(inner.substr(s, p - s));
            if (closing)
                w.close(name);
            else
                w.open(name, inner.substr(p));
            continue;
        }
        std::string decoded;
        if (c == '&' && decode_entity(html, i, decoded)) {
            w.text(decoded);
        } else {
            w.text(std::string_view(&html[i], 1));
            ++i;
        }
    }
    return w.take();
}

}  // namespace rv::standin::net
