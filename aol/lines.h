#pragma once
// The markup every chat line of the program shares. Values go into lines unescaped, as typed.
namespace rv::aol {

// Blue, Arial Narrow, bold, the "··›" glyph and a blank, then dark grey for the label.
#define RV_OPENING \
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT COLOR=#222222>"
inline constexpr const char* kOpening = RV_OPENING;
// After a label's closing bold, the value shows in blue.
inline constexpr const char* kValueBlue = "<FONT COLOR=#3366FF>";

}  // namespace rv::aol
