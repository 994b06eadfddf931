#include "veltra/win32/VeltraWindow.h"

#include "Win32ComboBox.h"
#include "Win32Text.h"
#include "Win32Windowing.h"
#include "WindowAccess.h"
#include "veltra/data/BoundControls.h"
#include "veltra/platform/Tracing.h"

#include <cmath>
#include <optional>

namespace veltra::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VeltraWindow";

// The module this code is in: a program, or the component server's library.
HINSTANCE ownModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

// The form's font, or the system's for windows when the form has none of its own.
LOGFONTW formFont(HWND form) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(form, WM_GETFONT, 0, 0));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW attributes{};
    GetObjectW(font, sizeof attributes, &attributes);
    return attributes;
}

} // namespace

class VeltraWindow::Parts final : public Host {
  public:
    Parts(HWND form, POINT at) : window(createWindow(form, at, this)) {
        combo.emplace(data, window,
                      Scale{[this] { return scaleMode == ScaleMode::Pixels; },
                            [] { return twipsPerPixel(); }});
    }
    ~Parts() override {
        control.reset();
        combo.reset();
        DestroyWindow(window);
    }

    static HWND createWindow(HWND form, POINT at, Parts* parts) {
        static const ATOM registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = ownModule();
            windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            windowClass.lpszClassName = kWindowClass;
            return RegisterClassExW(&windowClass);
        }();
        (void)registered;
        // A control parent: Tab moves through the combo box as through the form's own
        // controls.
        return CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, at.x, at.y,
                               pixels(DesignSize::Width), pixels(DesignSize::Height), form, nullptr,
                               ownModule(), parts);
    }

    static int pixels(Single twips) {
        return static_cast<int>(std::lround(twips / twipsPerPixel()));
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* parts = reinterpret_cast<Parts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (parts && parts->combo)
            if (const auto handled = parts->message(message, wParam, lParam))
                return *handled;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // What the combo box tells its parent goes to the box itself.
    std::optional<LRESULT> message(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lParam) != combo->combo())
                return std::nullopt;
            combo->command(HIWORD(wParam));
            return 0;
        case WM_MEASUREITEM:
            combo->measureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            combo->drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLOREDIT:
            return reinterpret_cast<LRESULT>(combo->colours(reinterpret_cast<HDC>(wParam)));
        case WM_SETFOCUS:
            SetFocus(combo->edit());
            return 0;
        case WM_SIZE:
            resized(LOWORD(lParam), HIWORD(lParam));
            return 0;
        default:
            return std::nullopt;
        }
    }

    // A size the host gives is laid out by the control; the control's own snap of its
    // height is already in the size kept and is not repeated.
    void resized(int width, int height) {
        const double twips = twipsPerPixel();
        const auto widthInTwips = static_cast<Single>(width * twips);
        const auto heightInTwips = static_cast<Single>(height * twips);
        if (std::abs(widthInTwips - widthTwips) < twips &&
            std::abs(heightInTwips - heightTwips) < twips)
            return;
        widthTwips = widthInTwips;
        heightTwips = heightInTwips;
        if (control_)
            control_->UserControl_Resize();
    }

    // The window takes the size the host keeps (in twips).
    void fitWindow() {
        const SIZE size{pixels(widthTwips), pixels(heightTwips)};
        SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (resizedByControl)
            resizedByControl(size);
    }

    // Host.
    void attach(ControlNotifications* control) override { control_ = control; }
    void PropertyChanged(const String& key) override {
        if (propertyChanged)
            propertyChanged(key);
    }
    FontRef AmbientFont() override {
        if (ambientFont)
            if (FontRef font = ambientFont())
                return font;
        const LOGFONTW font = formFont(GetParent(window));
        const HDC screen = GetDC(nullptr);
        const float points = static_cast<float>(std::abs(font.lfHeight)) * 72.0f /
                             static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
        return Font::make(fromWide(font.lfFaceName), points, font.lfWeight >= FW_BOLD,
                          font.lfItalic != 0);
    }
    void ScaleMode(Integer mode) override { scaleMode = mode; }
    Single Width() const override { return widthTwips; }
    Single Height() const override { return heightTwips; }
    void Height(Single twips) override {
        if (twips == heightTwips)
            return;
        heightTwips = twips;
        fitWindow();
        if (control_)
            control_->UserControl_Resize();
    }
    std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(window); }

    HWND window;
    DataControl data;
    std::optional<Win32ComboBox> combo;
    BoundTextBox textBox{data};
    Win32Windowing::MessageHandler messageHandler;
    Win32Windowing windowing{[this] { return GetAncestor(window, GA_ROOT); }, messageHandler};
    // What the control asks of this host and these services goes into the transcript.
    TracingHost tracingHost{*this};
    TracingWindowing tracingWindowing{windowing};
    std::optional<Veltra> control;
    ControlNotifications* control_ = nullptr;
    std::function<void(const String&)> propertyChanged;
    std::function<FontRef()> ambientFont;
    std::function<void(SIZE)> resizedByControl;
    Integer scaleMode = ScaleMode::Twips;
    Single widthTwips = DesignSize::Width;
    Single heightTwips = DesignSize::Height;
};

VeltraWindow::VeltraWindow(HWND form, POINT at, VeltraEvents& events)
    : VeltraWindow(form, at, events, nullptr, {}) {
}

VeltraWindow::VeltraWindow(HWND form, POINT at, VeltraEvents& events, PropertyBag& saved)
    : VeltraWindow(form, at, events, &saved, {}) {
}

// The control with its surroundings, as designed (its size, the combo box's width), then a
// new instance or a restored one.
VeltraWindow::VeltraWindow(HWND form, POINT at, VeltraEvents& events, PropertyBag* saved, Site site)
    : parts_(std::make_unique<Parts>(form, at)) {
    parts_->ambientFont = std::move(site.ambientFont);
    parts_->resizedByControl = std::move(site.resized);
    parts_->control.emplace(Surroundings{*parts_->combo, parts_->data, parts_->textBox,
                                         parts_->tracingHost, parts_->tracingWindowing, events});
    parts_->combo->Width(DesignSize::ComboWidth);
    if (saved)
        parts_->control->ReadProperties(*saved);
    else
        parts_->control->InitProperties();
}

VeltraWindow::~VeltraWindow() = default;

Veltra& VeltraWindow::control() {
    return *parts_->control;
}

HWND VeltraWindow::window() const {
    return parts_->window;
}

HWND VeltraWindow::comboBox() const {
    return parts_->combo->combo();
}

void VeltraWindow::onPropertyChanged(std::function<void(const String&)> handler) {
    parts_->propertyChanged = std::move(handler);
}

void VeltraWindow::setMessageHandler(std::function<void(const String&, const String&)> handler) {
    parts_->messageHandler = std::move(handler);
}

DataControl& WindowAccess::dataSource(VeltraWindow& window) {
    return window.parts_->data;
}

Win32ComboBox& WindowAccess::box(VeltraWindow& window) {
    return *window.parts_->combo;
}

std::size_t WindowAccess::rowsRead(const VeltraWindow& window) {
    const auto rows = window.parts_->data.rows();
    return rows ? rows->fetchedCount() : 0;
}

void WindowAccess::setTrace(VeltraWindow& window, TraceSink trace) {
    window.parts_->tracingHost.setTrace(trace);
    window.parts_->tracingWindowing.setTrace(trace);
    window.parts_->combo->setTrace(std::move(trace));
}

} // namespace veltra::win32
