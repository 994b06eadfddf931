#include "KeyMapping.h"

#include "veltra/Codes.h"
#include "veltra/Text.h"
#include "veltra/platform/Keys.h"
#include "veltra/qt/KeyEvents.h"

namespace veltra::qt {

namespace {

struct NamedKey {
    int qtKey;
    Integer keyCode;
};
constexpr NamedKey kNamedKeys[] = {{Qt::Key_Backspace, Key::Backspace},
                                   {Qt::Key_Tab, Key::Tab},
                                   {Qt::Key_Backtab, Key::Tab},
                                   {Qt::Key_Return, Key::Enter},
                                   {Qt::Key_Enter, Key::Enter},
                                   {Qt::Key_Shift, Key::ShiftKey},
                                   {Qt::Key_Control, Key::Ctrl},
                                   {Qt::Key_Alt, Key::Alt},
                                   {Qt::Key_Escape, Key::Esc},
                                   {Qt::Key_End, Key::End},
                                   {Qt::Key_Home, Key::Home},
                                   {Qt::Key_Left, Key::Left},
                                   {Qt::Key_Up, Key::Up},
                                   {Qt::Key_Right, Key::Right},
                                   {Qt::Key_Down, Key::Down},
                                   {Qt::Key_Delete, Key::Delete},
                                   {Qt::Key_Space, 32}};

// The modifier that a modifier key is.
Qt::KeyboardModifiers ownModifier(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

Integer keyCodeOf(const QKeyEvent* event) {
    for (const auto& named : kNamedKeys)
        if (named.qtKey == event->key())
            return named.keyCode;
    if ((event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) ||
        (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9))
        return static_cast<Integer>(event->key());
    const QString text = event->text();
    return text.size() == 1 ? keyOfCharacter(text[0].unicode()).keyCode : Integer{0};
}

Integer shiftOf(Qt::KeyboardModifiers modifiers) {
    return static_cast<Integer>((modifiers & Qt::ShiftModifier ? Shift::Shift : 0) |
                                (modifiers & Qt::ControlModifier ? Shift::Ctrl : 0) |
                                (modifiers & Qt::AltModifier ? Shift::Alt : 0));
}

// Qt's QKeyEvent::modifiers() turns a modifier key's own bit around; the event's held
// modifiers are read as they came.
Integer shiftOf(const QKeyEvent* event) {
    Qt::KeyboardModifiers held = static_cast<const QInputEvent*>(event)->modifiers();
    if (event->type() == QEvent::KeyPress)
        held |= ownModifier(event->key());
    return shiftOf(held);
}

std::optional<Integer> characterCodeOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        return Key::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Escape:
        return Key::Esc;
    default:
        break;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_C)
            return Ascii::CtrlC;
        if (event->key() == Qt::Key_V)
            return Ascii::CtrlV;
        return std::nullopt;
    }
    const QString text = event->text();
    if (text.size() != 1 || text[0].unicode() < 0x20 || text[0].unicode() == 0x7F)
        return std::nullopt;
    return codeOfCharacter(text[0].unicode());
}

Integer buttonOf(Qt::MouseButtons buttons) {
    return static_cast<Integer>((buttons & Qt::LeftButton ? 1 : 0) |
                                (buttons & Qt::RightButton ? 2 : 0) |
                                (buttons & Qt::MiddleButton ? 4 : 0));
}

int qtKeyOf(Integer keyCode) {
    for (const auto& named : kNamedKeys)
        if (named.keyCode == keyCode)
            return named.qtKey;
    return keyCode;
}

Qt::KeyboardModifiers modifiersOf(Integer shift) {
    Qt::KeyboardModifiers modifiers;
    if (shift & Shift::Shift)
        modifiers |= Qt::ShiftModifier;
    if (shift & Shift::Ctrl)
        modifiers |= Qt::ControlModifier;
    if (shift & Shift::Alt)
        modifiers |= Qt::AltModifier;
    return modifiers;
}

Qt::MouseButtons buttonsOf(Integer button) {
    Qt::MouseButtons buttons;
    if (button & 1)
        buttons |= Qt::LeftButton;
    if (button & 2)
        buttons |= Qt::RightButton;
    if (button & 4)
        buttons |= Qt::MiddleButton;
    return buttons;
}

std::unique_ptr<QKeyEvent> makeKeyEvent(QEvent::Type type, Integer keyCode, Integer shift,
                                        const QString& text) {
    return std::make_unique<QKeyEvent>(type, qtKeyOf(keyCode), modifiersOf(shift), text);
}

} // namespace veltra::qt
