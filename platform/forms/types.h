#pragma once
#include <cstdint>
#include <string>

namespace rv::forms {

// Colours as the toolkit stores them: 0x00BBGGRR; 0x8000000x names a system colour.
using Color = std::uint32_t;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
constexpr Color kBlue = 0xFF0000;

// The twips-per-pixel of a 96 dpi screen; the model works in twips, views convert.
constexpr float kTwipsPerPixel = 15.0f;

// Resolves a system-colour reference (0x800000xx) to an RGB colour; plain colours pass.
Color resolve_color(Color c);
inline int red_of(Color c) {
    return static_cast<int>(c & 0xFF);
}
inline int green_of(Color c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int blue_of(Color c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
inline Color rgb(int r, int g, int b) {
    return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

struct Font {
    std::string name = "MS Sans Serif";
    float size = 8.25f;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const Font&) const = default;
};

enum class Alignment { Left, Right, Center };

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// Mouse buttons as the toolkit reports them.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;

// Key codes as the toolkit reports them; a letter is the code of its capital ('A' .. 'Z').
constexpr int kKeyReturn = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
// Modifier flags of a key or mouse event.
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

}  // namespace rv::forms
