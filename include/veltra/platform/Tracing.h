// Transcript lines for what the control asks of the host and the windowing services, the
// same on every platform: each wrapper writes the line, then lets the platform's own
// service do the work.
#pragma once

#include "veltra/platform/Host.h"

#include <functional>
#include <string>

namespace veltra {

// Receives one transcript line at a time.
using TraceSink = std::function<void(const std::string&)>;

// "changed KEY" for each property-changed notification.
class TracingHost final : public Host {
  public:
    explicit TracingHost(Host& host) : host_(host) {}
    void setTrace(TraceSink trace) { trace_ = std::move(trace); }

    void attach(ControlNotifications* control) override { host_.attach(control); }
    void PropertyChanged(const String& key) override;
    FontRef AmbientFont() override { return host_.AmbientFont(); }
    void ScaleMode(Integer mode) override { host_.ScaleMode(mode); }
    Single Width() const override { return host_.Width(); }
    Single Height() const override { return host_.Height(); }
    void Height(Single twips) override { host_.Height(twips); }
    std::intptr_t hWnd() const override { return host_.hWnd(); }

  private:
    Host& host_;
    TraceSink trace_;
};

// "sendkeys KEYS", "keybd_event vk=N scan=N flags=N", "setcursor x=N y=N" (in the
// control's client coordinates, so that a transcript does not depend on where the window
// is), "msgbox PROMPT style=N [title=TITLE]".
class TracingWindowing final : public Windowing {
  public:
    explicit TracingWindowing(Windowing& windowing) : windowing_(windowing) {}
    void setTrace(TraceSink trace) { trace_ = std::move(trace); }

    void SendKeys(const String& keys, bool wait) override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                     std::uintptr_t extraInfo) override;
    Point ClientToScreen(std::intptr_t window, Point client) override;
    void SetCursorPos(Long x, Long y) override;
    void MsgBox(const String& prompt, Integer style, const std::optional<String>& title) override;
    String Dir(const String& path) override { return windowing_.Dir(path); }

  private:
    void trace(const std::string& line) const;

    Windowing& windowing_;
    TraceSink trace_;
    // Screen minus client coordinates, as the last conversion found them.
    Point clientOrigin_;
};

} // namespace veltra
