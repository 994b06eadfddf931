// The Veltra control as a Win32 child window: a real drop-down COMBOBOX over the data
// source, for programs whose forms are windows. The control's events reach the host's
// handlers, arguments by reference.
#pragma once

#include "veltra/Veltra.h"

#include <functional>
#include <memory>
#include <windows.h>

namespace veltra::win32 {

class VeltraWindow {
  public:
    // A new instance (InitProperties), or one restored from a saved form's properties, as a
    // child of the form with its top left corner at a point of the form's client area.
    VeltraWindow(HWND form, POINT at, VeltraEvents& events);
    VeltraWindow(HWND form, POINT at, VeltraEvents& events, PropertyBag& saved);
    // For a container that keeps the form's font and the control's place itself (the
    // component server's site): the ambient font (when it gives one) instead of the parent
    // window's, and what hears the size (pixels) the control gave its window when it fitted
    // its height.
    struct Site {
        std::function<FontRef()> ambientFont;
        std::function<void(SIZE pixels)> resized;
    };
    VeltraWindow(HWND form, POINT at, VeltraEvents& events, PropertyBag* saved, Site site);
    ~VeltraWindow();
    VeltraWindow(const VeltraWindow&) = delete;
    VeltraWindow& operator=(const VeltraWindow&) = delete;

    // The control itself: its properties and methods.
    Veltra& control();
    // The control's window, and the combo box in it.
    HWND window() const;
    HWND comboBox() const;

    // Hears each saved property that changed: the form should be saved again.
    void onPropertyChanged(std::function<void(const String& key)> handler);

    // Shows the message instead of a modal box when set (tests, scripted runs).
    void setMessageHandler(std::function<void(const String& prompt, const String& title)> handler);

  private:
    friend class WindowAccess;
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace veltra::win32
