// Qt input events for the control's key codes, shift states and mouse buttons, as the
// keyboard and the mouse would deliver them.
#pragma once

#include "veltra/Types.h"

#include <QKeyEvent>
#include <memory>

namespace veltra::qt {

// The Qt key of a virtual-key code (letters and digits share their codes).
int qtKeyOf(Integer keyCode);
// The Qt modifiers of a shift state (1 Shift, 2 Ctrl, 4 Alt).
Qt::KeyboardModifiers modifiersOf(Integer shift);
// The Qt buttons of a mouse button state (1 left, 2 right, 4 middle).
Qt::MouseButtons buttonsOf(Integer button);
// A key event with the Qt key of the code and the modifiers of the shift state.
std::unique_ptr<QKeyEvent> makeKeyEvent(QEvent::Type type, Integer keyCode, Integer shift,
                                        const QString& text = {});

} // namespace veltra::qt
