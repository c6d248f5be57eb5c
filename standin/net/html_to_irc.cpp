#include "standin/net/html_to_irc.h"

#include <cctype>
#include <vector>

#include "platform/text/case.h"
#include "platform/text/chat_html.h"
#include "standin/net/irc_text.h"

namespace rv::standin::net {

namespace {

class Writer {
  public:
    void open(const std::string& tag, std::string_view body) {
        if (tag == "b" || tag == "strong") m_want.bold = true;
        if (tag == "i" || tag == "em") m_want.italic = true;
        if (tag == "u") m_want.underline = true;
        if (tag == "br" || tag == "p") write(" ");
        if (tag == "font" && m_colours.size() < 64) {
            std::uint32_t rgb = 0;
            bool has = parse_html_colour(text::html_attribute(body, "color"), rgb);
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
    void write(std::string_view s) {
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
    std::string v = text::ascii_lower(value);
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
    text::HtmlReader reader;
    reader.on_tag = [&](const text::HtmlTag& tag) {
        if (tag.closing)
            w.close(tag.name);
        else
            w.open(tag.name, tag.body);
    };
    reader.on_text = [&](std::string_view run) { w.write(run); };
    text::read_chat_html(html, reader);
    return w.take();
}

}  // namespace rv::standin::net
