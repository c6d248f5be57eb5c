// The chat's HTML, as any chatter may write it: the plain text is one line, the display
// subset holds nothing but its own balanced, attribute-safe tags, and IRC reads the text as
// the window does.
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "standin/chat_html.h"
#include "standin/net/html_to_irc.h"

namespace {

bool attribute_char(char c, const std::string& name) {
    if (name == "size") return c >= '1' && c <= '7';
    if (name == "color") return std::isalnum(static_cast<unsigned char>(c)) || c == '#';
    return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == ',' || c == '-';
}

// ` name="value"` pairs up to '>'; moves i past the '>'.
bool font_attributes(const std::string& s, std::size_t& i) {
    while (i < s.size() && s[i] == ' ') {
        std::size_t eq = s.find("=\"", i);
        if (eq == std::string::npos) return false;
        std::string name = s.substr(i + 1, eq - i - 1);
        if (name != "color" && name != "face" && name != "size") return false;
        std::size_t close = s.find('"', eq + 2);
        if (close == std::string::npos) return false;
        for (std::size_t k = eq + 2; k < close; ++k)
            if (!attribute_char(s[k], name)) return false;
        i = close + 1;
    }
    if (i >= s.size() || s[i] != '>') return false;
    ++i;
    return true;
}

void check_safe(const std::string& s) {
    std::vector<std::string> open;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '>' || s[i] == '"') FUZZ_CHECK(!"a bare > or \" in the text");
        if (s[i] != '<') {
            ++i;
            continue;
        }
        const std::string rest = s.substr(i, 8);
        if (rest.rfind("<br>", 0) == 0) {
            i += 4;
        } else if (rest.rfind("<font", 0) == 0) {
            i += 5;
            FUZZ_CHECK(font_attributes(s, i));
            open.push_back("font");
        } else if (rest.size() >= 3 && rest[2] == '>' &&
                   std::string("biu").find(rest[1]) != std::string::npos) {
            open.push_back(rest.substr(1, 1));
            i += 3;
        } else if (rest.rfind("</", 0) == 0) {
            std::size_t close = s.find('>', i);
            FUZZ_CHECK(close != std::string::npos);
            FUZZ_CHECK(!open.empty() && open.back() == s.substr(i + 2, close - i - 2));
            open.pop_back();
            i = close + 1;
        } else {
            FUZZ_CHECK(!"a tag outside the display subset");
        }
    }
    FUZZ_CHECK(open.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string html(reinterpret_cast<const char*>(data), size);
    const std::string plain = rv::standin::html_to_plain(html);
    FUZZ_CHECK(plain.find_first_of("\r\n") == std::string::npos);
    check_safe(rv::standin::safe_html(html));
    const std::string irc = rv::standin::net::html_to_irc(html);
    FUZZ_CHECK(irc.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    // One reader for both: plain printable text reads the same in the window and on IRC.
    bool printable = true;
    for (char c : html) printable = printable && c >= 0x20 && c < 0x7F && c != '<';
    if (printable) FUZZ_CHECK(irc == plain);
    return 0;
}
