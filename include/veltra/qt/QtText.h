// The control's UTF-16 texts as QStrings and back, without a conversion: both are UTF-16.
#pragma once

#include "veltra/Types.h"

#include <QString>

namespace veltra::qt {

QString toQString(const String& text);
String fromQString(const QString& text);

} // namespace veltra::qt
