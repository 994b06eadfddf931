// This file is not part of the API. The control's texts, colours and fonts as Windows takes
// them.
#pragma once

#include "veltra/Font.h"
#include "veltra/Types.h"

#include <string>
#include <windows.h>

namespace veltra::win32 {

// A text of 16-bit characters is Windows' own.
inline std::wstring toWide(const String& text) {
    return std::wstring(text.begin(), text.end());
}
inline String fromWide(std::wstring_view text) {
    return String(text.begin(), text.end());
}
String windowText(HWND window);

// A colour value of the host: red in the low byte as COLORREF has it, or a system colour
// (high bit set, the index below).
COLORREF toColorRef(Colour colour);

// A Windows font for the control's font, at a weight (FW_NORMAL, FW_BOLD) or its own.
HFONT createFont(const Font& font, int weight = 0);

// Screen pixels and twips.
double twipsPerPixel();

} // namespace veltra::win32
