// The control's values as Qt's and back: UTF-16 texts as QStrings (without a conversion:
// both are UTF-16), font objects as QFonts.
#pragma once

#include "veltra/Types.h"

#include <QFont>
#include <QString>

namespace veltra::qt {

QString toQString(const String& text);
String fromQString(const QString& text);

// A QFont with the font object's attributes (at least 1 point), and a new font object
// with the QFont's.
QFont toQFont(const Font& font);
FontRef fromQFont(const QFont& font);

} // namespace veltra::qt
