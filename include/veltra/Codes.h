// The codes that keys and characters carry between the keyboard, the control and the host,
// and the placeholder name of a missing key column.
#pragma once

#include "veltra/Types.h"

#include <string_view>

namespace veltra {

// Shift states of key and mouse events.
namespace Shift {
inline constexpr Integer Shift = 1;
inline constexpr Integer Ctrl = 2;
inline constexpr Integer Alt = 4;
} // namespace Shift

// Virtual-key codes of key-down and key-up events.
namespace Key {
inline constexpr Integer Backspace = 8, Tab = 9, Enter = 13, ShiftKey = 16, Ctrl = 17, Alt = 18,
                         Esc = 27, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                         Delete = 46, V = 86;
inline constexpr bool isArrow(Integer keyCode) {
    return keyCode >= Left && keyCode <= Down;
}
} // namespace Key

// Character codes of key presses (Windows-1252 for typed characters); 0 swallows the key.
namespace Ascii {
inline constexpr Integer None = 0, CtrlC = 3, Backspace = 8, Enter = 13, CtrlV = 22, Esc = 27,
                         Asterisk = 42, QuestionMark = 63;
} // namespace Ascii

// The bound column of a combo box without a key column: the statements then select the
// constant 0 under this name.
inline constexpr std::u16string_view kNoBoundColumn = u"xnadas";

} // namespace veltra
