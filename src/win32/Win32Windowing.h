// This file is not part of the API. The windowing services on Windows itself: keys go into
// the system's keyboard input, the pointer and the coordinates are the screen's, message
// boxes are the system's own.
#pragma once

#include "veltra/platform/Host.h"

#include <functional>
#include <windows.h>

namespace veltra::win32 {

class Win32Windowing final : public Windowing {
  public:
    using MessageHandler = std::function<void(const String& prompt, const String& title)>;

    // Message boxes belong to the window the function names; a handler, when set, takes
    // their messages instead.
    Win32Windowing(std::function<HWND()> owner, const MessageHandler& handler)
        : owner_(std::move(owner)), handler_(handler) {}

    void SendKeys(const String& keys, bool wait) override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                     std::uintptr_t extraInfo) override;
    Point ClientToScreen(std::intptr_t window, Point client) override;
    void SetCursorPos(Long x, Long y) override;
    void MsgBox(const String& prompt, Integer style, const std::optional<String>& title) override;
    String Dir(const String& path) override;

  private:
    std::function<HWND()> owner_;
    const MessageHandler& handler_;
};

} // namespace veltra::win32
