#include "veltra/qt/QtText.h"

#include "veltra/Font.h"

#include <QApplication>
#include <QPalette>
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

namespace {

struct SystemColour {
    Colour colour;
    QPalette::ColorRole role;
};
constexpr SystemColour kSystemColours[] = {{CorDeFundoDaJanela, QPalette::Base},
                                           {CorDoTextoDaJanela, QPalette::Text},
                                           {0x8000000F, QPalette::Button},
                                           {0x80000012, QPalette::ButtonText}};

} // namespace

QColor toQColor(Colour colour) {
    if ((colour & 0x80000000u) == 0)
        return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                      static_cast<int>((colour >> 16) & 0xFF));
    for (const auto& system : kSystemColours)
        if (system.colour == colour)
            return QApplication::palette().color(system.role);
    return QApplication::palette().color(QPalette::Text);
}

Colour fromQColor(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

} // namespace veltra::qt
