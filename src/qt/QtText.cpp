#include "veltra/qt/QtText.h"

#include "veltra/Font.h"

#include <algorithm>

namespace veltra::qt {

QString toQString(const String& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

String fromQString(const QString& text) {
    return String(reinterpret_cast<const char16_t*>(text.utf16()),
                  static_cast<std::size_t>(text.size()));
}

QFont toQFont(const Font& font) {
    QFont result(toQString(font.Name()));
    result.setPointSizeF(std::max(1.0f, font.Size()));
    result.setBold(font.Bold());
    result.setItalic(font.Italic());
    result.setUnderline(font.Underline());
    result.setStrikeOut(font.Strikethrough());
    return result;
}

FontRef fromQFont(const QFont& font) {
    auto result = Font::make(fromQString(font.family()), static_cast<float>(font.pointSizeF()),
                             font.bold(), font.italic());
    result->Underline(font.underline());
    result->Strikethrough(font.strikeOut());
    return result;
}

} // namespace veltra::qt
