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

namespace {

constexpr std::u16string_view kShiftedDigits = u")!@#$%^&*(";

struct PunctuationKey {
    char16_t plain;
    char16_t shifted;
    Integer keyCode;
};

constexpr PunctuationKey kPunctuation[] = {{u';', u':', 186}, {u'=', u'+', 187}, {u',', u'<', 188},
                                           {u'-', u'_', 189}, {u'.', u'>', 190}, {u'/', u'?', 191},
                                           {u'`', u'~', 192}, {u'[', u'{', 219}, {u'\\', u'|', 220},
                                           {u']', u'}', 221}, {u'\'', u'"', 222}};

// The unaccented letter of a Latin-1 letter; other characters are returned unchanged.
char16_t baseLetter(char16_t c) {
    constexpr std::u16string_view upper = u"AAAAAAACEEEEIIIIDNOOOOO\u00D7OUUUUYPs";
    constexpr std::u16string_view lower = u"aaaaaaaceeeeiiiidnooooo\u00F7ouuuuypy";
    if (c >= 0xC0 && c <= 0xDF)
        return upper[c - 0xC0];
    if (c >= 0xE0 && c <= 0xFF)
        return lower[c - 0xE0];
    return c;
}

} // namespace

KeyStroke keyOfCharacter(char16_t c) {
    if (c == 0xE7 || c == 0xC7)
        return {186, c == 0xC7 ? Shift::Shift : Integer{0}, false, c};
    const char16_t letter = baseLetter(c);
    if (letter >= u'a' && letter <= u'z')
        return {static_cast<Integer>(letter - 32), 0, false, c};
    if ((letter >= u'A' && letter <= u'Z'))
        return {static_cast<Integer>(letter), Shift::Shift, false, c};
    if (c >= u'0' && c <= u'9')
        return {static_cast<Integer>(c), 0, false, c};
    if (const auto digit = kShiftedDigits.find(c); digit != std::u16string_view::npos)
        return {static_cast<Integer>(u'0' + digit), Shift::Shift, false, c};
    if (c == u' ')
        return {32, 0, false, c};
    for (const auto& key : kPunctuation) {
        if (key.plain == c)
            return {key.keyCode, 0, false, c};
        if (key.shifted == c)
            return {key.keyCode, Shift::Shift, false, c};
    }
    return {0, 0, false, c};
}

Single comboHeightForFontSize(float points) {
    Single height = 315;
    for (const auto& band : kFontSizeBands)
        if (band.points >= 9 && band.points <= points)
            height = band.fromTwips;
    return height;
}

} // namespace veltra::headless
