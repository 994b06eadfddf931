// The box's input: its edit part, its own window (the drop-down button) and its list are
// subclassed, so that the control hears every key, character, mouse and focus event before
// the Windows controls act on it. The editing itself is the editing model's, which the edit
// part only shows.
#include "Win32ComboBox.h"
#include "Win32Text.h"
#include "veltra/Text.h"
#include "veltra/platform/Notifications.h"

#include <commctrl.h>
#include <utility>
#include <windowsx.h>

namespace veltra::win32 {

namespace {

bool held(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// The focus that leaves with the whole window (another window activated, a message box
// opened, the form closing) and comes back with it: a desktop form keeps its focused
// control meanwhile, so the control hears of no exit and no entry.
bool leavesWithTheWindow(HWND box, HWND other) {
    return !other || GetAncestor(other, GA_ROOT) != GetAncestor(box, GA_ROOT);
}

// A key's character is already in the queue when its key down is handled: the host's
// message loop translated the key before dispatching it.
std::optional<wchar_t> pendingCharacter(HWND window) {
    MSG pending;
    if (!PeekMessageW(&pending, window, WM_CHAR, WM_CHAR, PM_NOREMOVE))
        return std::nullopt;
    return static_cast<wchar_t>(pending.wParam);
}

// The characters that edit: the typed ones and the control codes that the control knows
// (Backspace, also as Ctrl+Backspace gives it, Enter, Esc, Ctrl+C, Ctrl+V).
bool edits(wchar_t character) {
    switch (character) {
    case Ascii::Backspace:
    case 0x7F:
    case Ascii::Enter:
    case u'\n':
    case Ascii::Esc:
    case Ascii::CtrlC:
    case Ascii::CtrlV:
        return true;
    default:
        return character >= 0x20;
    }
}

// The keys that stand for text and for no key of the keyboard: an input method's (its own
// key, or a composed character that no key types, as Wine delivers an X input method's),
// an injected character's, a key the layout does not name.
bool bringsTextOnly(WPARAM virtualKey) {
    return virtualKey == VK_PROCESSKEY || virtualKey == VK_PACKET || virtualKey == VK_NONAME ||
           virtualKey == 0;
}

// A dead key's character is already in the queue when its key down is handled: the host's
// message loop translated the key before dispatching it.
bool deadCharacterPending(HWND window) {
    MSG pending;
    return PeekMessageW(&pending, window, WM_DEADCHAR, WM_DEADCHAR, PM_NOREMOVE) ||
           PeekMessageW(&pending, window, WM_SYSDEADCHAR, WM_SYSDEADCHAR, PM_NOREMOVE);
}

String clipboardText(HWND owner) {
    String text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = fromWide(units);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

Integer buttonsOf(UINT message, WPARAM wParam) {
    Integer buttons =
        static_cast<Integer>(((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                             ((wParam & MK_MBUTTON) ? 4 : 0));
    // A button's release carries the buttons still held; the control hears the released one.
    switch (message) {
    case WM_LBUTTONUP:
        return static_cast<Integer>(buttons | 1);
    case WM_RBUTTONUP:
        return static_cast<Integer>(buttons | 2);
    case WM_MBUTTONUP:
        return static_cast<Integer>(buttons | 4);
    default:
        return buttons;
    }
}

bool isMouseMessage(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEMOVE:
        return true;
    default:
        return false;
    }
}

POINT pointOf(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace

LRESULT CALLBACK Win32ComboBox::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* box = reinterpret_cast<Win32ComboBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto handled = window == box->edit_window_ ? box->editMessage(message, wParam, lParam)
                         : window == box->combo_     ? box->comboMessage(message, wParam, lParam)
                                                     : box->listMessage(message, wParam, lParam);
    return handled ? *handled : box->byDefault(window, message, wParam, lParam);
}

LRESULT Win32ComboBox::byDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (const auto& [part, original] : parts())
        if (part == window)
            return CallWindowProcW(original, window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Keys and characters never reach the edit part: the editing model edits, the edit part
// shows. What the combo box would write into it (the text and selection of a row, a
// selection of its own on focus changes) is kept out while the model is not showing.
std::optional<LRESULT> Win32ComboBox::editMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto afterDefault = [&](auto then) {
        const LRESULT result = byDefault(edit_window_, message, wParam, lParam);
        then();
        return std::optional<LRESULT>(result);
    };
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    case WM_GETOBJECT:
        if (const LRESULT object = accessibility_.answer(wParam, lParam))
            return object;
        return std::nullopt;
    case WM_KEYDOWN:
        keyDown(wParam, false);
        return 0;
    case WM_SYSKEYDOWN:
        keyDown(wParam, true);
        // Alt with the arrows is the box's; other system keys (menus, Alt+F4) go on.
        if (wParam == VK_DOWN || wParam == VK_UP) {
            altChord_ = true;
            return 0;
        }
        return std::nullopt;
    case WM_KEYUP:
        keyUp(wParam);
        return 0;
    case WM_SYSKEYUP:
        keyUp(wParam);
        // Alt released after the box's own Alt+arrow: the system never saw that key, and
        // would take the release for a tap of Alt alone, which opens the form's menu.
        if (wParam == VK_MENU && std::exchange(altChord_, false))
            return 0;
        return std::nullopt;
    case WM_CHAR:
        character(static_cast<wchar_t>(wParam));
        return 0;
    case WM_DEADCHAR:
        return 0;
    case WM_SETTEXT:
    case EM_SETSEL:
        if (!showing_)
            return message == WM_SETTEXT ? TRUE : 0;
        return std::nullopt;
    case WM_SETFOCUS:
        return afterDefault([&] { focusIn(reinterpret_cast<HWND>(wParam)); });
    case WM_KILLFOCUS:
        return afterDefault([&] { focusOut(reinterpret_cast<HWND>(wParam)); });
    default:
        break;
    }
    if (isMouseMessage(message)) {
        showTipFor(edit_window_, message, wParam, lParam);
        POINT inBox = pointOf(lParam);
        MapWindowPoints(edit_window_, combo_, &inBox, 1);
        // The control hears a press before the box takes the focus, and a drag's selection
        // after the edit part made it.
        mouse(message, wParam, inBox, ClickArea::EditPart);
        if (message == WM_MOUSEMOVE && !(wParam & MK_LBUTTON))
            return std::nullopt;
        return afterDefault([&] { followEdit(); });
    }
    return std::nullopt;
}

// The combo box's own window: the drop-down button, and what screen readers ask of it.
std::optional<LRESULT> Win32ComboBox::comboMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (message == WM_GETOBJECT)
        if (const LRESULT object = accessibility_.answer(wParam, lParam))
            return object;
    if (isMouseMessage(message)) {
        showTipFor(combo_, message, wParam, lParam);
        mouse(message, wParam, pointOf(lParam), ClickArea::Button);
    }
    return std::nullopt;
}

// The open list holds the mouse: a release over a row picks it; a press or a release over
// the box is the box's. More rows are read as the list scrolls to its end.
std::optional<LRESULT> Win32ComboBox::listMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        POINT at = pointOf(lParam);
        RECT inside{};
        GetClientRect(list_window_, &inside);
        const auto hit = SendMessageW(list_window_, LB_ITEMFROMPOINT, 0, lParam);
        if (PtInRect(&inside, at)) {
            if (message == WM_LBUTTONDOWN || HIWORD(hit) != 0)
                return std::nullopt;
            pickRow(LOWORD(hit));
            return 0;
        }
        MapWindowPoints(list_window_, combo_, &at, 1);
        RECT box{};
        GetClientRect(combo_, &box);
        if (PtInRect(&box, at)) {
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            GetComboBoxInfo(combo_, &info);
            mouse(message, wParam, at,
                  PtInRect(&info.rcButton, at) ? ClickArea::Button : ClickArea::EditPart);
        }
        return std::nullopt;
    }
    if (message == WM_VSCROLL || message == WM_MOUSEWHEEL) {
        const LRESULT result = byDefault(list_window_, message, wParam, lParam);
        fetchWhenNearTheEnd();
        return result;
    }
    return std::nullopt;
}

// A key down: a dead key, an input method's key and a character without a key make no key
// down of their own (their characters come as typed text); Tab moves on; any other key is
// heard, a typed character's with the key that types it on a US keyboard, and a key that
// types no character has its editing effect now.
void Win32ComboBox::keyDown(WPARAM virtualKey, bool system) {
    if (bringsTextOnly(virtualKey) || deadCharacterPending(edit_window_)) {
        characterKeyDown_ = false;
        return;
    }
    const auto character = pendingCharacter(edit_window_);
    Integer keyCode = character && *character >= 0x20 && *character != 0x7F
                          ? keyOfCharacter(static_cast<char16_t>(*character)).keyCode
                          : static_cast<Integer>(virtualKey);
    Integer shift = shiftState();
    if (virtualKey == VK_TAB && !system) {
        tab(shift);
        return;
    }
    pressedKeys_[virtualKey] = keyCode;
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    characterKeyDown_ = character.has_value();
    if (!character || !edits(*character))
        applyKeyEffect(keyCode, shift);
}

// A character, or half of one beyond the 16-bit range: typed by the key just heard, or
// text of its own (an input method's, a dead-key sequence's, an injected one).
void Win32ComboBox::character(wchar_t unit) {
    if (IS_HIGH_SURROGATE(unit)) {
        highSurrogate_ = unit;
        return;
    }
    String text;
    if (IS_LOW_SURROGATE(unit) && highSurrogate_)
        text.push_back(static_cast<char16_t>(highSurrogate_));
    text.push_back(static_cast<char16_t>(unit));
    highSurrogate_ = 0;
    if (characterKeyDown_) {
        typeCharacter(text);
    } else if (text[0] >= 0x20 && !edit_.locked()) {
        typeCommitted(text);
        followCurrentRow();
    }
}

// The key press of a key's character: the codes the control edits with (Ctrl with
// Backspace and Enter gives them too), Ctrl+C and Ctrl+V with the clipboard, a typed
// character; other control codes are no characters.
void Win32ComboBox::typeCharacter(const String& text) {
    switch (text[0]) {
    case 0x7F:
    case Ascii::Backspace:
        pressCharacter(Ascii::Backspace, {});
        return;
    case u'\n':
    case Ascii::Enter:
        pressCharacter(Ascii::Enter, {});
        return;
    case Ascii::Esc:
    case Ascii::CtrlC:
        pressCharacter(text[0], {});
        return;
    case Ascii::CtrlV:
        pressCharacter(Ascii::CtrlV, clipboardText(edit_window_));
        return;
    default:
        if (text[0] >= 0x20)
            pressCharacter(codeOfCharacter(text[0]), text);
    }
}

// Only the release of a key whose press the box had: a dead key's comes back with the
// text it made, and a key pressed before the box had the focus is the previous window's.
void Win32ComboBox::keyUp(WPARAM virtualKey) {
    const auto pressed = pressedKeys_.find(virtualKey);
    if (pressed == pressedKeys_.end())
        return;
    Integer keyCode = pressed->second;
    pressedKeys_.erase(pressed);
    if (pressedKeys_.empty())
        characterKeyDown_ = false;
    Integer shift = shiftState();
    if (control_)
        control_->dbComb_KeyUp(keyCode, shift);
    followCurrentRow();
}

// The modifiers held, as the keyboard's state stood when the key's message was sent.
Integer Win32ComboBox::shiftState() const {
    return static_cast<Integer>((held(VK_SHIFT) ? Shift::Shift : 0) |
                                (held(VK_CONTROL) ? Shift::Ctrl : 0) |
                                (held(VK_MENU) ? Shift::Alt : 0));
}

// Tab would move the focus before the box saw it: the control hears its key down first.
void Win32ComboBox::tab(Integer shift) {
    Integer keyCode = Key::Tab;
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    trace("focus-out");
    moveFocus((shift & Shift::Shift) != 0);
}

// To the next (or previous) control of the form that takes the focus with Tab.
void Win32ComboBox::moveFocus(bool backwards) {
    const HWND form = GetAncestor(combo_, GA_ROOT);
    const HWND next = GetNextDlgTabItem(form, combo_, backwards);
    if (next && next != combo_)
        ::SetFocus(next);
}

void Win32ComboBox::leaveForNext() {
    trace("focus-out");
    moveFocus(false);
}

// Focus entry selects the whole text before the control hears of it.
void Win32ComboBox::focusIn(HWND from) {
    if (focused_ && leavesWithTheWindow(combo_, from))
        return;
    focused_ = true;
    pressedKeys_.clear();
    characterKeyDown_ = false;
    edit_.selectAll();
    if (control_)
        control_->dbComb_GotFocus();
    showEdit();
}

// The list never stays over other windows; the selection stays as it was.
void Win32ComboBox::focusOut(HWND to) {
    closeList();
    showEdit();
    if (leavesWithTheWindow(combo_, to))
        return;
    focused_ = false;
    if (control_)
        control_->dbComb_LostFocus();
}

// Coordinates are in the control's scale unit; a release over the box is its click, on the
// button or the edit part. A disabled box hears nothing.
void Win32ComboBox::mouse(UINT message, WPARAM wParam, POINT inBox, Integer area) {
    if (!control_ || !IsWindowEnabled(combo_))
        return;
    const double unit = unitsPerPixel();
    Integer button = buttonsOf(message, wParam);
    Integer shift = static_cast<Integer>(((wParam & MK_SHIFT) ? Shift::Shift : 0) |
                                         ((wParam & MK_CONTROL) ? Shift::Ctrl : 0) |
                                         (held(VK_MENU) ? Shift::Alt : 0));
    Single x = static_cast<Single>(inBox.x * unit);
    Single y = static_cast<Single>(inBox.y * unit);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        control_->dbComb_MouseDown(button, shift, x, y);
        ::SetFocus(edit_window_);
        break;
    case WM_MOUSEMOVE:
        control_->dbComb_MouseMove(button, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        control_->dbComb_DblClick(area);
        break;
    default:
        control_->dbComb_MouseUp(button, shift, x, y);
        control_->dbComb_Click(area);
        break;
    }
}

} // namespace veltra::win32
