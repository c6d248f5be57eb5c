// Whatever a server sends: the byte stream is cut into bounded lines, each line either parses
// or is refused, a parsed message written back stays one line, a sender's nick is shown as
// valid UTF-8, and a chatter's text turned into chat HTML is one line of the safe subset with
// valid UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/text/visible_name.h"
#include "standin/chat_html.h"
#include "standin/net/html_to_irc.h"
#include "standin/net/irc_message.h"
#include "standin/net/irc_text.h"
#include "standin/net/line_reader.h"

namespace {

bool valid_utf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rv::standin::net;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LineReader reader(600);
    reader.feed(bytes, [](std::string_view line) {
        FUZZ_CHECK(line.size() <= 600);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        IrcMessage m;
        if (!parse_irc_line(line, m)) return;
        // A sender's nick as a person reads it: valid UTF-8, and no control left in it.
        const std::string shown = rv::text::visible_name(nick_of(m.prefix));
        FUZZ_CHECK(valid_utf8(shown));
        for (char c : shown) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        const std::string out = irc_line(m.command, m.params);
        FUZZ_CHECK(out.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        const std::string text = m.params.empty() ? std::string() : m.params.back();
        const std::string html = irc_to_html(repair_utf8(text));  // as the link reads it
        FUZZ_CHECK(valid_utf8(html));
        FUZZ_CHECK(rv::standin::html_to_plain(html).find_first_of("\r\n") == std::string::npos);
        // And back out to the network: one line, whatever the markup.
        FUZZ_CHECK(html_to_irc(html).find_first_of("\r\n") == std::string::npos);
    });
    FUZZ_CHECK(reader.pending_bytes() <= 600);
    return 0;
}
