// The host form around the control and the windowing services it uses.
#pragma once

#include "veltra/Types.h"

#include <optional>

namespace veltra {

class ControlNotifications;

// The store in which the host saves the control's configuration with the form.
class PropertyBag {
  public:
    virtual ~PropertyBag() = default;
    // The saved value, or the default when the key is absent.
    virtual Variant ReadProperty(const String& key, const Variant& defaultValue) = 0;
    virtual void WriteProperty(const String& key, const Variant& value,
                               const Variant& defaultValue) = 0;
};

// The control's size as designed, in twips; its combo box is a little wider than the
// control.
namespace DesignSize {
inline constexpr Single Width = 3120, Height = 300, ComboWidth = 3135;
} // namespace DesignSize

namespace ScaleMode {
inline constexpr Integer Twips = 1;
inline constexpr Integer Pixels = 3;
} // namespace ScaleMode

class Host {
  public:
    virtual ~Host() = default;

    // Where the host delivers UserControl_Resize.
    virtual void attach(ControlNotifications* control) = 0;
    // The property saved under the key has changed: the form must be saved again.
    virtual void PropertyChanged(const String& key) = 0;
    // A new font object with the host's ambient font attributes.
    virtual FontRef AmbientFont() = 0;
    virtual void ScaleMode(Integer mode) = 0;
    // The control's size in twips. Writing a different height delivers UserControl_Resize
    // again before returning.
    virtual Single Width() const = 0;
    virtual Single Height() const = 0;
    virtual void Height(Single twips) = 0;
    virtual std::intptr_t hWnd() const = 0;
};

struct Point {
    Long x = 0;
    Long y = 0;
};

namespace MessageStyle {
inline constexpr Integer Exclamation = 48;
}

namespace KeyEventFlags {
inline constexpr Long KeyUp = 2;
}

class Windowing {
  public:
    virtual ~Windowing() = default;

    // Queues keys to the focused window; they are handled after the current handler.
    virtual void SendKeys(const String& keys, bool wait) = 0;
    virtual void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                             std::uintptr_t extraInfo) = 0;
    virtual Point ClientToScreen(std::intptr_t window, Point client) = 0;
    virtual void SetCursorPos(Long x, Long y) = 0;
    // A modal box; without a title, the platform's default one.
    virtual void MsgBox(const String& prompt, Integer style,
                        const std::optional<String>& title) = 0;
    // The name of the first normal file matching the path, or "" when there is none.
    virtual String Dir(const String& path) = 0;
};

} // namespace veltra
