#include "Win32Windowing.h"

#include "Win32Text.h"
#include "veltra/platform/Keys.h"

#include <vector>

namespace veltra::win32 {

namespace {

// The keys that the keyboard sends with the extended flag (the navigation block).
bool isExtended(Integer keyCode) {
    switch (keyCode) {
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_DELETE:
        return true;
    default:
        return false;
    }
}

INPUT keyInput(WORD virtualKey, WORD character, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = character;
    input.ki.dwFlags = flags;
    return input;
}

// A named key goes in as its key; a character as the character itself, whatever the
// keyboard layout, as an input method would type it.
void appendStroke(std::vector<INPUT>& inputs, const KeyStroke& stroke) {
    if (stroke.character) {
        inputs.push_back(keyInput(0, stroke.character, KEYEVENTF_UNICODE));
        inputs.push_back(keyInput(0, stroke.character, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
        return;
    }
    DWORD flags = stroke.up ? KEYEVENTF_KEYUP : 0;
    if (isExtended(stroke.keyCode))
        flags |= KEYEVENTF_EXTENDEDKEY;
    inputs.push_back(keyInput(static_cast<WORD>(stroke.keyCode), 0, flags));
}

// The program's own name: the title of a message box that has none.
std::wstring programName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

} // namespace

// The keys go into the keyboard input: the box hears them after the current handler, as
// typed keys.
void Win32Windowing::SendKeys(const String& keys, bool) {
    std::vector<INPUT> inputs;
    for (const auto& stroke : parseKeyString(keys))
        appendStroke(inputs, stroke);
    if (!inputs.empty())
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Win32Windowing::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                                 std::uintptr_t extraInfo) {
    ::keybd_event(virtualKey, scanCode, static_cast<DWORD>(flags),
                  static_cast<ULONG_PTR>(extraInfo));
}

Point Win32Windowing::ClientToScreen(std::intptr_t window, Point client) {
    POINT point{client.x, client.y};
    ::ClientToScreen(reinterpret_cast<HWND>(window), &point);
    return {point.x, point.y};
}

void Win32Windowing::SetCursorPos(Long x, Long y) {
    ::SetCursorPos(x, y);
}

void Win32Windowing::MsgBox(const String& prompt, Integer style,
                            const std::optional<String>& title) {
    const std::wstring caption = title ? toWide(*title) : programName();
    if (handler_) {
        handler_(prompt, fromWide(caption));
        return;
    }
    MessageBoxW(owner_(), toWide(prompt).c_str(), caption.c_str(), static_cast<UINT>(style));
}

// The name of the first normal file the path (wildcards allowed) names: folders, hidden and
// system files are not normal files.
String Win32Windowing::Dir(const String& path) {
    if (path.empty())
        return {};
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(toWide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    constexpr DWORD notNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    String name;
    do {
        if (!(found.dwFileAttributes & notNormal)) {
            name = fromWide(found.cFileName);
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return name;
}

} // namespace veltra::win32
