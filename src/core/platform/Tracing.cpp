#include "veltra/platform/Tracing.h"

#include "veltra/Text.h"

namespace veltra {

void TracingHost::PropertyChanged(const String& key) {
    if (trace_)
        trace_("changed " + quotedText(key));
    host_.PropertyChanged(key);
}

void TracingWindowing::trace(const std::string& line) const {
    if (trace_)
        trace_(line);
}

void TracingWindowing::SendKeys(const String& keys, bool wait) {
    trace("sendkeys " + quotedText(keys));
    windowing_.SendKeys(keys, wait);
}

void TracingWindowing::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                                   std::uintptr_t extraInfo) {
    trace("keybd_event vk=" + std::to_string(virtualKey) + " scan=" + std::to_string(scanCode) +
          " flags=" + std::to_string(flags));
    windowing_.keybd_event(virtualKey, scanCode, flags, extraInfo);
}

Point TracingWindowing::ClientToScreen(std::intptr_t window, Point client) {
    const Point screen = windowing_.ClientToScreen(window, client);
    clientOrigin_ = {screen.x - client.x, screen.y - client.y};
    return screen;
}

void TracingWindowing::SetCursorPos(Long x, Long y) {
    trace("setcursor x=" + std::to_string(x - clientOrigin_.x) +
          " y=" + std::to_string(y - clientOrigin_.y));
    windowing_.SetCursorPos(x, y);
}

void TracingWindowing::MsgBox(const String& prompt, Integer style,
                              const std::optional<String>& title) {
    std::string line = "msgbox " + quotedText(prompt) + " style=" + std::to_string(style);
    if (title)
        line += " title=" + quotedText(*title);
    trace(line);
    windowing_.MsgBox(prompt, style, title);
}

} // namespace veltra
