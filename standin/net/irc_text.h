#pragma once
// Text as IRC carries it: bytes that ought to be UTF-8, with mIRC-style formatting codes.
// These functions turn it into the chat HTML the transcript renders, and cut outgoing text
// into pieces that fit one protocol line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv::standin::net {

constexpr char kBold = '\x02', kColour = '\x03', kHexColour = '\x04', kReset = '\x0F';
constexpr char kReverse = '\x16', kItalic = '\x1D', kStrike = '\x1E', kUnderline = '\x1F';
constexpr char kMonospace = '\x11', kCtcp = '\x01';

// The sixteen standard IRC colours, 0xRRGGBB, by code.
extern const std::uint32_t kIrcColours[16];
// The code of the standard colour closest to `rgb` (0xRRGGBB) in plain RGB distance.
int nearest_irc_colour(std::uint32_t rgb);

// Valid UTF-8 passes unchanged; every byte that is not part of a valid sequence is read as
// Windows-1252, the encoding older IRC clients send, so nothing becomes unreadable.
std::string repair_utf8(std::string_view bytes);

// IRC text (valid UTF-8) to the chat HTML subset: bold, italic, underline and colour become
// <b>, <i>, <u> and <font color>; every other control character is dropped; the text is
// escaped. The tags are always properly nested and closed.
std::string irc_to_html(std::string_view text);

// IRC text with every formatting code and control character taken out.
std::string strip_irc_codes(std::string_view text);

// What one IRC text looks like at a point: the state the codes so far have set.
struct IrcStyle {
    bool bold = false, italic = false, underline = false;
    int colour = -1;  // a standard colour code, or -1 for the default
    bool operator==(const IrcStyle&) const = default;
};
// The colour code with two digits, so that a digit after it is never read as part of it.
std::string colour_code(int code);
// The codes that take plain text to `style`.
std::string style_codes(const IrcStyle& style);

// Cuts `text` into pieces of at most `max_bytes` bytes, never inside a UTF-8 sequence or a
// formatting code; each piece after the first begins with the codes of the style in force
// where it starts, so a long coloured line stays coloured. Pieces with no text are left out.
std::vector<std::string> split_irc_text(std::string_view text, std::size_t max_bytes);

}  // namespace rv::standin::net
