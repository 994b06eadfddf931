// The headless host, windowing services and the host program's recorded event handlers.
#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"

#include <filesystem>
#include <map>

namespace veltra::headless {

void HeadlessHost::PropertyChanged(const String& key) {
    trace_("changed " + quotedText(key));
}

void HeadlessHost::Height(Single twips) {
    if (twips == height_)
        return;
    height_ = twips;
    if (control_)
        control_->UserControl_Resize();
}

void HeadlessHost::resize(Single widthTwips, Single heightTwips) {
    width_ = widthTwips;
    height_ = heightTwips;
    if (control_)
        control_->UserControl_Resize();
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
constexpr Modifier kModifiers[] = {
    {u'+', Key::ShiftKey, Shift::Shift}, {u'^', 17, Shift::Ctrl}, {u'%', Key::Alt, Shift::Alt}};

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

// The key-string syntax: "+", "^" and "%" hold Shift, Ctrl and Alt for the key that
// follows; "{NAME}" names a key; any other character types itself. A modifier with no key
// after it is pressed and released alone, with its own state on both events.
void HeadlessWindowing::SendKeys(const String& keys, bool wait) {
    (void)wait;
    trace_("sendkeys " + quotedText(keys));
    for (std::size_t i = 0; i < keys.size();) {
        Integer shift = 0;
        std::vector<const Modifier*> held;
        while (i < keys.size() && modifierOf(keys[i])) {
            const auto* m = modifierOf(keys[i++]);
            shift = static_cast<Integer>(shift | m->shift);
            held.push_back(m);
            pending_.push_back({m->keyCode, shift, false, 0});
        }
        if (i >= keys.size()) {
            for (const auto* m : held)
                pending_.push_back({m->keyCode, m->shift, true, 0});
            break;
        }
        KeyStroke key = readKey(keys, i);
        key.shift = static_cast<Integer>(key.shift | shift);
        if (key.character) {
            pending_.push_back(key);
        } else {
            pending_.push_back(key);
            pending_.push_back({key.keyCode, key.shift, true, 0});
        }
        for (auto m = held.rbegin(); m != held.rend(); ++m) {
            shift = static_cast<Integer>(shift & ~(*m)->shift);
            pending_.push_back({(*m)->keyCode, shift, true, 0});
        }
    }
}

void HeadlessWindowing::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                                    std::uintptr_t extraInfo) {
    (void)extraInfo;
    trace_("keybd_event vk=" + std::to_string(virtualKey) + " scan=" + std::to_string(scanCode) +
           " flags=" + std::to_string(flags));
    pending_.push_back({virtualKey, 0, (flags & KeyEventFlags::KeyUp) != 0, 0});
}

Point HeadlessWindowing::ClientToScreen(std::intptr_t window, Point client) {
    (void)window;
    return client;
}

void HeadlessWindowing::SetCursorPos(Long x, Long y) {
    trace_("setcursor x=" + std::to_string(x) + " y=" + std::to_string(y));
}

void HeadlessWindowing::MsgBox(const String& prompt, Integer style,
                               const std::optional<String>& title) {
    std::string line = "msgbox " + quotedText(prompt) + " style=" + std::to_string(style);
    if (title)
        line += " title=" + quotedText(*title);
    trace_(line);
}

String HeadlessWindowing::Dir(const String& path) {
    if (path.empty())
        return {};
    const std::filesystem::path file(toUtf8(path));
    // Throws for a path that cannot be searched; the caller counts that as not found.
    if (!std::filesystem::is_regular_file(file))
        return {};
    return fromUtf8(file.filename().string());
}

std::optional<KeyStroke> HeadlessWindowing::takePendingKey() {
    if (pending_.empty())
        return std::nullopt;
    const KeyStroke key = pending_.front();
    pending_.pop_front();
    return key;
}

void RecordingEvents::setArgument(const std::string& event, const std::string& argument,
                                  Variant value) {
    handlers_[event][argument] = std::move(value);
}

void RecordingEvents::clearHandler(const std::string& event) {
    handlers_.erase(event);
}

template <class T>
void RecordingEvents::apply(const std::string& event, const std::string& argument, T& target) {
    const auto handler = handlers_.find(event);
    if (handler == handlers_.end())
        return;
    const auto value = handler->second.find(argument);
    if (value == handler->second.end())
        return;
    if constexpr (std::is_same_v<T, String>)
        target = value->second.toText();
    else if constexpr (std::is_same_v<T, Integer>)
        target = value->second.toInteger();
    else
        target = static_cast<T>(value->second.toDouble());
}

void RecordingEvents::CodigoAssociado(String& Numero) {
    trace_("event CodigoAssociado Numero=" + quotedText(Numero));
    apply("CodigoAssociado", "Numero", Numero);
}

void RecordingEvents::Change() {
    trace_("event Change");
}

void RecordingEvents::Click() {
    trace_("event Click");
}

void RecordingEvents::DblClick(Integer& Area) {
    trace_("event DblClick Area=" + std::to_string(Area));
    apply("DblClick", "Area", Area);
}

void RecordingEvents::KeyDown(Integer& KeyCode, Integer& Shift) {
    trace_("event KeyDown KeyCode=" + std::to_string(KeyCode) + " Shift=" + std::to_string(Shift));
    apply("KeyDown", "KeyCode", KeyCode);
    apply("KeyDown", "Shift", Shift);
}

void RecordingEvents::KeyPress(Integer& KeyAscii) {
    trace_("event KeyPress KeyAscii=" + std::to_string(KeyAscii));
    apply("KeyPress", "KeyAscii", KeyAscii);
}

void RecordingEvents::KeyUp(Integer& KeyCode, Integer& Shift) {
    trace_("event KeyUp KeyCode=" + std::to_string(KeyCode) + " Shift=" + std::to_string(Shift));
    apply("KeyUp", "KeyCode", KeyCode);
    apply("KeyUp", "Shift", Shift);
}

void RecordingEvents::mouseEvent(const std::string& name, Integer& Button, Integer& Shift,
                                 Single& x, Single& y) {
    trace_("event " + name + " Button=" + std::to_string(Button) + " Shift=" +
           std::to_string(Shift) + " x=" + shortestNumber(x) + " y=" + shortestNumber(y));
    apply(name, "Button", Button);
    apply(name, "Shift", Shift);
    apply(name, "x", x);
    apply(name, "y", y);
}

void RecordingEvents::MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) {
    mouseEvent("MouseMove", Button, Shift, x, y);
}

void RecordingEvents::MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) {
    mouseEvent("MouseUp", Button, Shift, x, y);
}

void RecordingEvents::MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) {
    mouseEvent("MouseDown", Button, Shift, x, y);
}

} // namespace veltra::headless
