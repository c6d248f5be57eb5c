#include "platform/forms/types.h"

namespace rv::forms {

Color resolve_color(Color c) {
    if ((c & 0xFF000000u) != 0x80000000u) return c & 0xFFFFFF;
    // The classic desktop scheme's values for the system colours.
    static const Color table[] = {
        0xC8D0D4, 0x000000, 0x6A240A, 0xC8D0D4, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
        0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080,
        0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF};
    unsigned idx = c & 0xFF;
    return idx < sizeof(table) / sizeof(table[0]) ? table[idx] : 0;
}

}  // namespace rv::forms
