// This file is not part of the API. What a screen reader reads of the box through Microsoft
// Active Accessibility: a combo box named by the form's label before it, its value the
// text, its children the list's rows read so far (the current one selected).
#pragma once

#include <windows.h>

namespace veltra::win32 {

class Win32ComboBox;

// The box's answer to WM_GETOBJECT: its accessible object for the client area, 0 (the
// system's own answer) for other objects.
class ComboAccessibility {
  public:
    explicit ComboAccessibility(Win32ComboBox& box) : box_(box) {}
    ~ComboAccessibility();
    ComboAccessibility(const ComboAccessibility&) = delete;
    ComboAccessibility& operator=(const ComboAccessibility&) = delete;

    LRESULT answer(WPARAM wParam, LPARAM lParam);
    // Tells screen readers that the value, or the list's current row, changed.
    void valueChanged() const;
    void currentRowChanged(int row) const;

  private:
    Win32ComboBox& box_;
    class Object;
    Object* object_ = nullptr;
};

} // namespace veltra::win32
