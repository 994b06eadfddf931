// The Win32 platform for scenarios: the control is a VeltraWindow on a form with an edit
// control to take the focus. Typing, keys and pastes are the messages the keyboard sends,
// posted to the focused window with the keyboard state set as the keys hold it; the keys
// the control sends go through the system's keyboard input and arrive after the key that
// sent them.
#include "Target.h"
#include "Win32ComboBox.h"
#include "Win32Text.h"
#include "WindowAccess.h"
#include "veltra/platform/Keys.h"
#include "veltra/win32/VeltraWindow.h"

#include <cmath>
#include <cstring>
#include <windows.h>

namespace veltra::play {

namespace {

using win32::fromWide;
using win32::toWide;

constexpr wchar_t kFormClass[] = L"VeltraPlayForm";

HWND createForm() {
    static const ATOM registered = [] {
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = DefWindowProcW;
        form.hInstance = GetModuleHandleW(nullptr);
        form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        form.lpszClassName = kFormClass;
        return RegisterClassExW(&form);
    }();
    (void)registered;
    return CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, L"veltra-play",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 240, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// The modifiers of a shift state, as the thread's keyboard state shows them to the box.
void holdModifiers(Integer shift) {
    BYTE state[256];
    GetKeyboardState(state);
    const auto set = [&](int key, bool down) { state[key] = down ? 0x80 : 0; };
    set(VK_SHIFT, shift & Shift::Shift);
    set(VK_LSHIFT, shift & Shift::Shift);
    set(VK_CONTROL, shift & Shift::Ctrl);
    set(VK_LCONTROL, shift & Shift::Ctrl);
    set(VK_MENU, shift & Shift::Alt);
    set(VK_LMENU, shift & Shift::Alt);
    SetKeyboardState(state);
}

void setClipboard(HWND owner, const String& text) {
    const std::wstring units = toWide(text);
    const SIZE_T bytes = (units.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), units.c_str(), bytes);
    GlobalUnlock(memory);
    OpenClipboard(owner);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

class Win32Target final : public Target {
  public:
    explicit Win32Target(TraceSink trace) : trace_(std::move(trace)), events_(trace_) {
        other_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10, 80, 200,
                                 24, form_, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(form_);
        settle();
    }
    ~Win32Target() override {
        if (window_)
            win32::WindowAccess::dataSource(*window_).removeListener(&tracer_);
        window_.reset();
        DestroyWindow(form_);
    }

    std::string platform() const override { return "win32"; }
    Veltra& control() override {
        if (!window_)
            newInstance();
        return window_->control();
    }
    void newInstance() override {
        install([&] { return std::make_unique<win32::VeltraWindow>(form_, kAt, events_); });
    }
    void restoreInstance(PropertyBag& bag) override {
        install([&] { return std::make_unique<win32::VeltraWindow>(form_, kAt, events_, bag); });
    }
    DataControl& dataSource() override {
        control();
        return win32::WindowAccess::dataSource(*window_);
    }
    headless::RecordingEvents& events() override { return events_; }

    void resize(Single widthTwips, Single heightTwips) override {
        control();
        SetWindowPos(window_->window(), nullptr, 0, 0,
                     static_cast<int>(std::lround(widthTwips / 15.0)),
                     static_cast<int>(std::lround(heightTwips / 15.0)),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        settle();
    }
    std::string size() override { return "size (the Win32 box takes its height from its font)"; }

    // A user cannot give the focus to a disabled box.
    void focus() override {
        if (!IsWindowEnabled(box().combo()))
            return;
        SetFocus(box().edit());
        settle();
    }
    void blur() override {
        control();
        SetFocus(other_);
        settle();
    }
    void type(const String& text) override {
        focused();
        for (const char16_t c : text) {
            const KeyStroke key = keyOfCharacter(c);
            if (!key.character) {
                pressAndRelease(key.keyCode, key.shift, key.shift);
                continue;
            }
            holdModifiers(key.shift);
            post(WM_KEYDOWN, key.keyCode);
            PostMessageW(GetFocus(), WM_CHAR, c, 1);
            deliverPosted();
            post(WM_KEYUP, key.keyCode);
            deliverPosted();
            holdModifiers(0);
            settle();
        }
    }
    void key(Integer keyCode, Integer downShift, Integer upShift) override {
        focused();
        pressAndRelease(keyCode, downShift, upShift);
    }
    void paste(const String& text) override {
        focused();
        setClipboard(form_, text);
        pressAndRelease(Key::V, Shift::Ctrl, Shift::Ctrl);
    }
    void select(Long start, Long length) override {
        const auto size = static_cast<Long>(GetWindowTextLengthW(box().edit()));
        const Long from = std::min(start, size);
        box().selectAsDragged(from, std::min(length, size - from));
    }
    // A click on the row, scrolled into the list's view.
    void pick(std::size_t row) override {
        auto& combo = box();
        if (!combo.readRowsThrough(row))
            return;
        const HWND list = combo.listBox();
        SendMessageW(list, LB_SETTOPINDEX, row, 0);
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        SendMessageW(list, WM_LBUTTONUP, 0,
                     MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
        settle();
    }
    // A click on an area is the box's own report of it; a disabled box reports none.
    void click(Integer area) override {
        if (IsWindowEnabled(box().combo()))
            control().dbComb_Click(area);
        settle();
    }
    void doubleClick(Integer area) override {
        if (IsWindowEnabled(box().combo()))
            control().dbComb_DblClick(area);
        settle();
    }
    // Mouse actions are the mouse's messages to the edit part, at the point the control's
    // coordinates name; the mouse reaches nothing inside a disabled box.
    void mouse(headless::HeadlessComboBox::Mouse what, Integer button, Integer shift, Single x,
               Single y) override {
        using Mouse = headless::HeadlessComboBox::Mouse;
        auto& combo = box();
        if (!IsWindowEnabled(combo.combo()))
            return;
        const double unit = combo.unitsPerPixel();
        POINT at{static_cast<LONG>(std::lround(x / unit)),
                 static_cast<LONG>(std::lround(y / unit))};
        MapWindowPoints(combo.combo(), combo.edit(), &at, 1);
        const WPARAM buttons = ((button & 1) ? MK_LBUTTON : 0) | ((button & 2) ? MK_RBUTTON : 0) |
                               ((button & 4) ? MK_MBUTTON : 0);
        const WPARAM keys =
            ((shift & Shift::Shift) ? MK_SHIFT : 0) | ((shift & Shift::Ctrl) ? MK_CONTROL : 0);
        const UINT first = (button & 1) ? 0 : (button & 2) ? 1 : 2;
        const UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        const UINT ups[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        holdModifiers(shift);
        const UINT message = what == Mouse::Down ? downs[first]
                             : what == Mouse::Up ? ups[first]
                                                 : WM_MOUSEMOVE;
        SendMessageW(combo.edit(), message, (what == Mouse::Up ? 0 : buttons) | keys,
                     MAKELPARAM(at.x, at.y));
        holdModifiers(0);
        settle();
    }
    void call(const std::function<void()>& action) override {
        action();
        settle();
    }

    std::string show() override {
        auto& combo = box();
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(combo.edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        const String text = win32::windowText(combo.edit());
        return showLine(text, static_cast<Long>(start), static_cast<Long>(end - start),
                        combo.list().boundTextFor(text), combo.list().rowCount(),
                        combo.toolTipText(),
                        window_->control().EstarComFoco() ? CorDeFoco : CorDeFundoDaJanela);
    }
    std::vector<std::string> list() override {
        const auto& model = box().list();
        std::vector<std::string> lines;
        for (std::size_t i = 0; model.hasRow(i); ++i)
            lines.push_back(listLine(model, i));
        return lines;
    }

  private:
    static constexpr POINT kAt{10, 10};

    // A new control in the form, with the host's handlers connected; the handlers survive.
    template <class Make>
    void install(Make make) {
        if (window_)
            win32::WindowAccess::dataSource(*window_).removeListener(&tracer_);
        window_.reset();
        window_ = make();
        win32::WindowAccess::dataSource(*window_).addListener(&tracer_);
        win32::WindowAccess::setTrace(*window_, trace_);
        window_->setMessageHandler([](const String&, const String&) {});
        settle();
    }

    win32::Win32ComboBox& box() {
        control();
        return win32::WindowAccess::box(*window_);
    }
    void focused() {
        if (GetFocus() != box().edit())
            focus();
    }
    void post(UINT message, Integer keyCode) {
        const bool alt = GetKeyState(VK_MENU) < 0;
        const UINT sent = alt ? message + (WM_SYSKEYDOWN - WM_KEYDOWN) : message;
        const LPARAM state = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
        PostMessageW(GetFocus(), sent, static_cast<WPARAM>(keyCode), state);
    }
    // One key to whichever window has the focus, as the keyboard sends it, its character
    // made by the system's own translation.
    void pressAndRelease(Integer keyCode, Integer downShift, Integer upShift) {
        holdModifiers(downShift);
        post(WM_KEYDOWN, keyCode);
        deliverPosted(true);
        // Tab has moved the focus: its release goes to the window that has it now.
        if (GetFocus() == box().edit()) {
            holdModifiers(upShift);
            post(WM_KEYUP, keyCode);
            deliverPosted();
        }
        holdModifiers(0);
        settle();
    }
    // The messages posted so far, before any key the control sent meanwhile.
    static void deliverPosted(bool translate = false) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0,
                            PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
            if (translate)
                TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // Lets the message loop deliver what the control sent (keys, focus changes).
    static void settle() {
        MSG message;
        for (int idle = 0; idle < 3;) {
            if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ++idle;
                Sleep(0);
                continue;
            }
            idle = 0;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    TraceSink trace_;
    headless::RecordingEvents events_;
    headless::DataSourceTracer tracer_{trace_};
    HWND form_ = createForm();
    HWND other_ = nullptr;
    std::unique_ptr<win32::VeltraWindow> window_;
};

} // namespace

std::unique_ptr<Target> makeWin32Target(TraceSink trace) {
    return std::make_unique<Win32Target>(std::move(trace));
}

} // namespace veltra::play
