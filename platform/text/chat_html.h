#pragma once
// The one reader of chat HTML. The chat window, the plain transcript and the IRC conversion
// all see a line as the same tokens: tags (with the text of their attributes) and text, with
// entities decoded. As in HTML, a '<' starts a tag only when a letter, '/' or '!' follows it
// and a '>' closes it; any other '<' is text ("I <3 you > all" is all text).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rv::text {

struct HtmlTag {
    std::string name;       // lower case, without '/'; "" for "<!...>" and the like
    bool closing = false;   // "</b>"
    std::string_view body;  // what follows the name up to the '>'
};

struct HtmlReader {
    // Runs of text between tags, entities decoded. A decoded control character (C0, DEL, C1,
    // U+2028, U+2029) is a blank: "&#10;" must not break a line nor "&#9;" forge a tab.
    std::function<void(std::string_view text)> on_text;
    std::function<void(const HtmlTag& tag)> on_tag;
};

// Reads `html` from start to end, calling the reader's functions in order.
void read_chat_html(std::string_view html, const HtmlReader& reader);

// The value of attribute `name` (lower case) in a tag's body, or "".
std::string html_attribute(std::string_view body, std::string_view name);

// Control characters (C0, DEL, C1) and the Unicode line and paragraph separators.
bool is_control(std::uint32_t cp);

}  // namespace rv::text
