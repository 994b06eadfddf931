#include "Win32Text.h"

namespace veltra::win32 {

String windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return fromWide(text);
}

COLORREF toColorRef(Colour colour) {
    if (colour & 0x80000000u)
        return GetSysColor(static_cast<int>(colour & 0xFFu));
    return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

HFONT createFont(const Font& font, int weight) {
    const HDC screen = GetDC(nullptr);
    const int height = -MulDiv(static_cast<int>(font.Size() * 100.0f + 0.5f),
                               GetDeviceCaps(screen, LOGPIXELSY), 7200);
    ReleaseDC(nullptr, screen);
    return CreateFontW(height, 0, 0, 0, weight ? weight : (font.Bold() ? FW_BOLD : FW_NORMAL),
                       font.Italic(), font.Underline(), font.Strikethrough(), DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, toWide(font.Name()).c_str());
}

double twipsPerPixel() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

} // namespace veltra::win32
