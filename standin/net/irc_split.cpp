// Cutting outgoing IRC text into protocol-sized pieces.
#include <cctype>

#include "platform/text/utf8.h"
#include "standin/net/irc_text.h"

namespace rv::standin::net {

namespace {

// The length of the token at text[i]: a formatting code with its digits, or one UTF-8
// character. `style` follows the codes.
std::size_t token_at(std::string_view text, std::size_t i, IrcStyle& style, bool& visible) {
    auto digits = [&](std::size_t from, std::size_t max, bool hex) {
        std::size_t k = from;
        while (k < text.size() && k - from < max &&
               (hex ? std::isxdigit(static_cast<unsigned char>(text[k]))
                    : std::isdigit(static_cast<unsigned char>(text[k]))))
            ++k;
        return k - from;
    };
    visible = false;
    char c = text[i];
    if (c == kColour || c == kHexColour) {
        bool hex = c == kHexColour;
        std::size_t width = hex ? 6 : 2;
        std::size_t n = digits(i + 1, width, hex);
        if (hex && n != 6) n = 0;
        std::size_t end = i + 1 + n;
        if (n > 0 && end + 1 < text.size() && text[end] == ',') {
            std::size_t bg = digits(end + 1, width, hex);
            if (bg > 0 && (!hex || bg == 6)) end += 1 + bg;
        }
        if (!hex) style.colour = n == 0 ? -1 : std::stoi(std::string(text.substr(i + 1, n)));
        if (style.colour >= 99) style.colour = -1;
        return end - i;
    }
    switch (c) {
        case kBold:
            style.bold = !style.bold;
            return 1;
        case kItalic:
            style.italic = !style.italic;
            return 1;
        case kUnderline:
            style.underline = !style.underline;
            return 1;
        case kReset:
            style = {};
            return 1;
        case kReverse:
        case kStrike:
        case kMonospace:
        case kCtcp:
            return 1;
        default:
            break;
    }
    visible = true;
    std::size_t n = text::utf8_length(static_cast<unsigned char>(c));
    return i + n <= text.size() ? n : text.size() - i;
}

}  // namespace

std::vector<std::string> split_irc_text(std::string_view text, std::size_t max_bytes) {
    std::vector<std::string> pieces;
    std::string piece;
    bool has_text = false;
    IrcStyle style;
    for (std::size_t i = 0; i < text.size();) {
        IrcStyle before = style;
        bool visible = false;
        std::size_t n = token_at(text, i, style, visible);
        std::string_view token = text.substr(i, n);
        i += n;
        if (has_text && piece.size() + token.size() > max_bytes) {
            pieces.push_back(std::move(piece));
            piece = style_codes(before);
            // A ',' and digits right after a colour code would be read as its background.
            if (before.colour >= 0 && token.front() == ',') piece += std::string(2, kBold);
            has_text = false;
        } else if (!has_text && piece.size() + token.size() > max_bytes) {
            piece = style_codes(before);  // a run of codes alone: only its effect counts
        }
        piece += token;
        has_text = has_text || visible;
    }
    if (has_text) pieces.push_back(std::move(piece));
    return pieces;
}

}  // namespace rv::standin::net
