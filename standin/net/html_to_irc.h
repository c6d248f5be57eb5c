#pragma once
// The chat HTML of a room line, as IRC text.
#include <cstdint>
#include <string>
#include <string_view>

namespace rv::standin::net {

// Bold, italic and underline become IRC codes; a font colour becomes the nearest of the
// sixteen standard colours and a closing font tag restores the colour it replaced; faces,
// sizes and every other tag vanish ("</html><html>" included); entities are decoded; line
// breaks, BR and P become blanks; control characters are dropped.
std::string html_to_irc(std::string_view html);

// A colour as chat HTML writes it ("#3366FF", "3366ff", "#36F", or one of the sixteen HTML
// colour names) as 0xRRGGBB; false when it is none of these.
bool parse_html_colour(std::string_view value, std::uint32_t& rgb);

}  // namespace rv::standin::net
