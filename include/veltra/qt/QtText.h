// The control's values as Qt's and back: UTF-16 texts as QStrings (without a conversion:
// both are UTF-16), font objects as QFonts, colours as QColors.
#pragma once

#include "veltra/Types.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace veltra::qt {

QString toQString(const String& text);
String fromQString(const QString& text);

// A QFont with the font object's attributes (at least 1 point), and a new font object
// with the QFont's.
QFont toQFont(const Font& font);
FontRef fromQFont(const QFont& font);

// A colour value as a QColor: an RGB value as it is, a system colour as the application's
// palette shows it (window text, window background, button face and text). A QColor back
// as an RGB value (red in the low byte).
QColor toQColor(Colour colour);
Colour fromQColor(const QColor& colour);

} // namespace veltra::qt
