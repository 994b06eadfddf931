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
