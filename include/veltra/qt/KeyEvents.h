// Qt key events for the control's key codes, as the keyboard would deliver them.
#pragma once

#include "veltra/Types.h"

#include <QKeyEvent>
#include <memory>

namespace veltra::qt {

// The Qt key of a virtual-key code (letters and digits share their codes).
int qtKeyOf(Integer keyCode);
// A key event with the Qt key of the code and the modifiers of the shift state.
std::unique_ptr<QKeyEvent> makeKeyEvent(QEvent::Type type, Integer keyCode, Integer shift,
                                        const QString& text = {});

} // namespace veltra::qt
