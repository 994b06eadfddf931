// This file is not part of the API. Qt's key and mouse events as the control's codes: the
// virtual-key codes of a US keyboard, the shift state, the character code a key press
// carries and the mouse button state.
#pragma once

#include "veltra/Types.h"

#include <QKeyEvent>
#include <optional>

namespace veltra::qt {

// The virtual-key code of a Qt key event, as a US keyboard would give it.
Integer keyCodeOf(const QKeyEvent* event);
Integer shiftOf(Qt::KeyboardModifiers modifiers);
// The shift state of a key event as the control knows it: the modifiers held, and a
// modifier key's own one while it goes down.
Integer shiftOf(const QKeyEvent* event);
// The character code that a key press carries: Windows-1252 for typed characters, the
// control codes of Backspace, Enter, Esc, Ctrl+C and Ctrl+V; none for other keys.
std::optional<Integer> characterCodeOf(const QKeyEvent* event);
Integer buttonOf(Qt::MouseButtons buttons);

} // namespace veltra::qt
