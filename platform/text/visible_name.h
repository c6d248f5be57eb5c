#pragma once
// Names from other people (network nicks, chatters' names) as a person may safely read them.
// A name can hold characters that show as nothing or as a blank, or letters of another
// script drawn like Latin ones, so that "DJ\u200b" or "DJ" with a Cyrillic letter reads as
// the user's own "DJ". Such characters are written out as code points instead.
#include <string>
#include <string_view>

namespace rv::text {

// `name` with every hazard written out as "<U+XXXX>" (a byte that is not UTF-8: "<0xXX>"):
// - characters that show as nothing or move the text: controls, zero-width characters,
//   bidi controls, the other format characters, variation selectors, fillers, tags;
// - characters that show as a blank other than the ASCII space: no-break space, the wide
//   and narrow spaces, line and paragraph separators, the Braille blank;
// - private-use characters and non-characters, which no reader can tell apart;
// - letters drawn like Latin ones: fullwidth and mathematical Latin always; Cyrillic,
//   Greek, Armenian and Cherokee letters in a name that also holds Latin letters, or in a
//   name made only of such look-alikes ("\u0430\u0440\u0435" reads "ape").
// - a '<' that begins what reads as a marker ("<U+200B>", "<0xFF>"), so that no name can
//   spell another's markers: "DJ<U+200B>" shows as "DJ<U+003C>U+200B>".
// A name with none of these comes back unchanged. A name already made visible may change
// again, so each name is made visible once, where it is shown.
std::string visible_name(std::string_view name);

}  // namespace rv::text
