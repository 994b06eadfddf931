// The headless host, windowing services and the host program's recorded event handlers.
#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/headless/Headless.h"

#include <filesystem>
#include <map>

namespace veltra::headless {

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

void HeadlessWindowing::SendKeys(const String& keys, bool wait) {
    (void)wait;
    for (const auto& stroke : parseKeyString(keys))
        pending_.push_back(stroke);
}

void HeadlessWindowing::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                                    std::uintptr_t extraInfo) {
    (void)extraInfo;
    (void)scanCode;
    pending_.push_back({virtualKey, 0, (flags & KeyEventFlags::KeyUp) != 0, 0});
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

namespace {

// The names written between the parentheses of an event's argument list.
std::vector<std::string> argumentNamesOf(std::string_view list) {
    std::vector<std::string> names;
    std::string name;
    for (const char c : list) {
        if (c == ',' || c == ')') {
            if (!name.empty())
                names.push_back(std::move(name));
            name.clear();
        } else if (c != '(' && c != ' ') {
            name += c;
        }
    }
    return names;
}

std::string shown(const String& value) {
    return quotedText(value);
}
std::string shown(Integer value) {
    return std::to_string(value);
}
std::string shown(Single value) {
    return shortestNumber(value);
}

} // namespace

template <class... T>
void RecordingEvents::record(const char* event, std::string_view argumentNames, T&... arguments) {
    const auto names = argumentNamesOf(argumentNames);
    std::string line = std::string("event ") + event;
    std::size_t at = 0;
    ((line += " " + names[at++] + "=" + shown(arguments)), ...);
    trace_(line);
    at = 0;
    (apply(event, names[at++], arguments), ...);
}

#define VELTRA_RECORD_EVENT(Name, Number, Parameters, Arguments)                                   \
    void RecordingEvents::Name Parameters {                                                        \
        record(#Name, #Arguments VELTRA_AFTER(Arguments));                                         \
    }
VELTRA_EVENTS(VELTRA_RECORD_EVENT)
#undef VELTRA_RECORD_EVENT

} // namespace veltra::headless
