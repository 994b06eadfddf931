// Transcript forms of values, and the keys with which characters are typed.
#include "veltra/FontSizes.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"

#include <charconv>

namespace veltra::headless {
std::string formatFont(const FontRef& font) {
    if (!font)
        return "Nothing";
    std::string out = "Font(" + toUtf8(font->Name()) + " " + shortestNumber(font->Size());
    if (font->Bold())
        out += " bold";
    if (font->Italic())
        out += " italic";
    return out + ")";
}

std::string formatValue(const Variant& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::monostate>)
                return "Empty";
            else if constexpr (std::is_same_v<V, Null>)
                return "Null";
            else if constexpr (std::is_same_v<V, bool>)
                return v ? "True" : "False";
            else if constexpr (std::is_same_v<V, std::int64_t>)
                return std::to_string(v);
            else if constexpr (std::is_same_v<V, double>)
                return shortestNumber(v);
            else if constexpr (std::is_same_v<V, String>)
                return quotedText(v);
            else
                return formatFont(v);
        },
        value.value());
}

Single comboHeightForFontSize(float points) {
    Single height = 315;
    for (const auto& band : kFontSizeBands)
        if (band.points >= 9 && band.points <= points)
            height = band.fromTwips;
    return height;
}

} // namespace veltra::headless
