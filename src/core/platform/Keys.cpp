#include "veltra/platform/Keys.h"

#include "veltra/Error.h"
#include "veltra/Text.h"

#include <map>

namespace veltra {

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
    // The control characters that a key types stand for that key itself.
    switch (c) {
    case u'\b':
        return {Key::Backspace, 0, false, 0};
    case u'\t':
        return {Key::Tab, 0, false, 0};
    case u'\r':
        return {Key::Enter, 0, false, 0};
    case u'\x1b':
        return {Key::Esc, 0, false, 0};
    default:
        break;
    }
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

namespace {

const std::map<std::u16string_view, Integer> kNamedKeys = {
    {u"BACKSPACE", Key::Backspace}, {u"BS", Key::Backspace}, {u"TAB", Key::Tab},
    {u"ENTER", Key::Enter},         {u"ESC", Key::Esc},      {u"END", Key::End},
    {u"HOME", Key::Home},           {u"LEFT", Key::Left},    {u"UP", Key::Up},
    {u"RIGHT", Key::Right},         {u"DOWN", Key::Down},    {u"DEL", Key::Delete},
    {u"DELETE", Key::Delete}};

struct Modifier {
    char16_t prefix;
    Integer keyCode;
    Integer shift;
};
constexpr Modifier kModifiers[] = {{u'+', Key::ShiftKey, Shift::Shift},
                                   {u'^', Key::Ctrl, Shift::Ctrl},
                                   {u'%', Key::Alt, Shift::Alt}};

const Modifier* modifierOf(char16_t c) {
    for (const auto& m : kModifiers)
        if (m.prefix == c)
            return &m;
    return nullptr;
}

// Reads one key of a key string ("{NAME}" or a character) at position i; advances i.
// Returns the stroke of a named key, or one that types the character.
KeyStroke readKey(const String& keys, std::size_t& i) {
    if (keys[i] == u'{') {
        const auto close = keys.find(u'}', i + 2);
        if (close == String::npos)
            throw Error(ErrorNumber::InvalidPropertyValue, "Cadeia de teclas inválida.");
        const auto name = upperCase(keys.substr(i + 1, close - i - 1));
        i = close + 1;
        if (const auto named = kNamedKeys.find(name); named != kNamedKeys.end())
            return {named->second, 0, false, 0};
        if (name.size() == 1)
            return keyOfCharacter(name[0]);
        throw Error(ErrorNumber::InvalidPropertyValue, "Cadeia de teclas inválida.");
    }
    return keyOfCharacter(keys[i++]);
}

} // namespace

std::vector<KeyStroke> parseKeyString(const String& keys) {
    std::vector<KeyStroke> strokes;
    for (std::size_t i = 0; i < keys.size();) {
        Integer shift = 0;
        std::vector<const Modifier*> held;
        while (i < keys.size() && modifierOf(keys[i])) {
            const auto* m = modifierOf(keys[i++]);
            shift = static_cast<Integer>(shift | m->shift);
            held.push_back(m);
            strokes.push_back({m->keyCode, shift, false, 0});
        }
        if (i >= keys.size()) {
            for (auto m = held.rbegin(); m != held.rend(); ++m) {
                shift = static_cast<Integer>(shift & ~(*m)->shift);
                strokes.push_back({(*m)->keyCode, shift, true, 0});
            }
            break;
        }
        KeyStroke key = readKey(keys, i);
        key.shift = static_cast<Integer>(key.shift | shift);
        strokes.push_back(key);
        if (!key.character) // a typed character is one whole stroke; a named key is released
            strokes.push_back({key.keyCode, key.shift, true, 0});
        for (auto m = held.rbegin(); m != held.rend(); ++m) {
            shift = static_cast<Integer>(shift & ~(*m)->shift);
            strokes.push_back({(*m)->keyCode, shift, true, 0});
        }
    }
    return strokes;
}

} // namespace veltra
