// veltra-demo.exe: the data-entry form on Windows, with two Veltra controls over the sample
// database, a state picker that sets the city box's auxiliary filter, the option switches
// of the first box and a log of the events the program receives.
//
//   veltra-demo [--database FILE] [--log FILE] [--screenshot FILE.bmp [--type TEXT]]
//
// --log writes each event line to FILE as it comes, and after each key the box's state: its
// text, selection and open list, with their places on the screen (the tests read it).
// --screenshot types TEXT into the city box through the keyboard input, saves a picture of
// the screen around the form and exits (1 when the picture came out blank).
#include "States.h"
#include "Win32ComboBox.h"
#include "Win32Text.h"
#include "WindowAccess.h"
#include "veltra/Properties.h"
#include "veltra/Text.h"
#include "veltra/win32/VeltraWindow.h"

#include <commctrl.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <oleacc.h>
#include <shellapi.h>
#include <string>
#include <vector>

using veltra::String;
using veltra::win32::fromWide;
using veltra::win32::toWide;
using veltra::win32::VeltraWindow;

namespace {

struct Options {
    std::wstring database;
    std::wstring log;
    std::wstring screenshot;
    std::wstring type;
};

Options parse(int argc, wchar_t** argv) {
    Options options;
    const std::filesystem::path program(argv[0]);
    options.database = (program.parent_path() / VELTRA_SAMPLE_DB).wstring();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--database")
            options.database = argv[i + 1];
        else if (name == L"--log")
            options.log = argv[i + 1];
        else if (name == L"--screenshot")
            options.screenshot = argv[i + 1];
        else if (name == L"--type")
            options.type = argv[i + 1];
    }
    return options;
}

// The program's log: the form's events box, and the log file when there is one.
class Log {
  public:
    void attach(HWND box, const std::wstring& file) {
        box_ = box;
        if (!file.empty())
            file_.open(std::filesystem::path(file), std::ios::app);
    }
    void line(const String& text) {
        const std::wstring wide = toWide(text) + L"\r\n";
        const int end = GetWindowTextLengthW(box_);
        SendMessageW(box_, EM_SETSEL, end, end);
        SendMessageW(box_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
        if (file_.is_open())
            file_ << veltra::toUtf8(text) << std::endl;
    }

  private:
    HWND box_ = nullptr;
    std::ofstream file_;
};

Log theLog;

// A box's events, as lines of the log; the key it reports shows under it.
class BoxEvents final : public veltra::VeltraEvents {
  public:
    explicit BoxEvents(String name) : name_(std::move(name)) {}
    void setKeyLabel(HWND label) { keyLabel_ = label; }

    void CodigoAssociado(String& Numero) override {
        log(u"CodigoAssociado Numero=\"" + Numero + u"\"");
        const String shown = Numero.empty() ? u"Código: (nenhum)" : u"Código: " + Numero;
        SetWindowTextW(keyLabel_, toWide(shown).c_str());
    }
    void Click() override { log(u"Click"); }
    void KeyPress(veltra::Integer& KeyAscii) override {
        log(u"KeyPress KeyAscii=" + veltra::fromUtf8(std::to_string(KeyAscii)));
    }
    // The box's state once the key has been handled, search included.
    void KeyUp(veltra::Integer& KeyCode, veltra::Integer&) override {
        log(u"KeyUp KeyCode=" + veltra::fromUtf8(std::to_string(KeyCode)));
        PostMessageW(GetAncestor(box_->window(), GA_ROOT), kReportState, 0,
                     reinterpret_cast<LPARAM>(this));
    }
    void setBox(VeltraWindow* box) { box_ = box; }

    static constexpr UINT kReportState = WM_APP + 1;
    void reportState() {
        auto& box = veltra::win32::WindowAccess::box(*box_);
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(box.edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        const bool open = IsWindowVisible(box.listBox());
        log(u"estado texto=\"" + veltra::win32::windowText(box.edit()) + u"\" seleção=" +
            number(start) + u"," + number(end - start) + u" lista=" +
            (open ? u"aberta " + place(box.listBox()) : String(u"fechada")));
        log(u"acessível " + accessibleView(box.edit()));
    }
    void reportPlace() { log(u"caixa " + place(veltra::win32::WindowAccess::box(*box_).edit())); }

  private:
    // What a screen reader reads of the box through the focused window: name, value, rows.
    static String accessibleView(HWND window) {
        IAccessible* accessible = nullptr;
        if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                              __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&accessible))))
            return u"(nada)";
        const auto text = [&](LONG child, bool value) {
            VARIANT id;
            VariantInit(&id);
            V_VT(&id) = VT_I4;
            V_I4(&id) = child;
            BSTR result = nullptr;
            value ? accessible->get_accValue(id, &result) : accessible->get_accName(id, &result);
            const String got = result ? fromWide(result) : String();
            SysFreeString(result);
            return got;
        };
        LONG rows = 0;
        accessible->get_accChildCount(&rows);
        const String view = u"nome=\"" + text(CHILDID_SELF, false) + u"\" valor=\"" +
                            text(CHILDID_SELF, true) + u"\" linhas=" + number(rows) +
                            u" primeira=\"" + (rows > 0 ? text(1, false) : String()) + u"\"";
        accessible->Release();
        return view;
    }
    void log(const String& text) { theLog.line(name_ + u": " + text); }
    static String number(long value) { return veltra::fromUtf8(std::to_string(value)); }
    // A window's place on the screen: left, top, width, height.
    static String place(HWND window) {
        RECT area{};
        GetWindowRect(window, &area);
        return number(area.left) + u"," + number(area.top) + u"," + number(area.right - area.left) +
               u"," + number(area.bottom - area.top);
    }

    String name_;
    HWND keyLabel_ = nullptr;
    VeltraWindow* box_ = nullptr;
};

HWND child(HWND form, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
           int width, int height) {
    const HWND window =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                        form, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return window;
}

struct Form {
    HWND window = nullptr;
    HWND states = nullptr;
    std::vector<std::pair<HWND, std::string>> switches;
    std::unique_ptr<BoxEvents> cityEvents;
    std::unique_ptr<BoxEvents> personEvents;
    std::unique_ptr<VeltraWindow> city;
    std::unique_ptr<VeltraWindow> person;
    std::vector<int> stateIds;
};

Form theForm;

void fillStates(const Options& options) {
    for (const auto& [name, id] : veltra::demo::states(u"Access", fromWide(options.database))) {
        SendMessageW(theForm.states, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(toWide(name).c_str()));
        theForm.stateIds.push_back(id);
    }
    SendMessageW(theForm.states, CB_SETCURSEL, 0, 0);
}

std::unique_ptr<VeltraWindow> boundBox(POINT at, BoxEvents& events, const Options& options,
                                       const String& table) {
    auto box = std::make_unique<VeltraWindow>(theForm.window, at, events);
    auto& control = box->control();
    control.Connect(u"Access");
    control.x1_DatabaseName(fromWide(options.database));
    control.x2_NomeTabela(table);
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    control.Text(u"");
    events.setBox(box.get());
    return box;
}

const char* const kSwitches[] = {"sAutoEnterTab",     "sAutoEnterClick", "sTirarAcento",
                                 "sSempreMaiusculas", "sApenasLetras",   "sLetraCapital",
                                 "sListaSoResultado", "sNuncaVazio",     "FontAuto"};

bool switchValue(veltra::Veltra& control, const std::string& name) {
    return veltra::findProperty(name)->get(control).toBoolean();
}

// Each box comes right after its label, which names it for screen readers.
void buildForm(const Options& options) {
    const HWND form = theForm.window;
    child(form, L"STATIC", L"Estado:", 0, 12, 14, 70, 18);
    theForm.states =
        child(form, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 90, 10, 220, 300);
    theForm.cityEvents = std::make_unique<BoxEvents>(u"Cidade");
    theForm.personEvents = std::make_unique<BoxEvents>(u"Pessoa");
    child(form, L"STATIC", L"&Cidade:", 0, 12, 46, 70, 18);
    theForm.city = boundBox({90, 42}, *theForm.cityEvents, options, u"Cidades");
    theForm.city->control().ToolTipText2(u"Digite parte do nome da cidade; * pesquisa trechos");
    // The state after each town's name: towns of one name stand apart.
    theForm.city->control().x5_OutrasColunas(u"UF");
    theForm.cityEvents->setKeyLabel(
        child(form, L"STATIC", L"Código: (nenhum)", 0, 90, 68, 220, 18));
    child(form, L"STATIC", L"&Pessoa:", 0, 12, 96, 70, 18);
    theForm.person = boundBox({90, 92}, *theForm.personEvents, options, u"Pessoas");
    theForm.person->control().sLetraCapital(true);
    theForm.personEvents->setKeyLabel(
        child(form, L"STATIC", L"Código: (nenhum)", 0, 90, 118, 220, 18));
    child(form, L"STATIC", L"Eventos:", 0, 12, 146, 100, 18);
    const HWND log = child(form, L"EDIT", L"",
                           WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 12,
                           166, 470, 220);
    theLog.attach(log, options.log);
    child(form, L"BUTTON", L"Opções da primeira caixa", BS_GROUPBOX, 500, 6, 240, 300);
    int y = 28;
    for (const char* name : kSwitches) {
        const HWND box = child(form, L"BUTTON", toWide(veltra::fromUtf8(name)).c_str(),
                               WS_TABSTOP | BS_AUTOCHECKBOX, 512, y, 220, 22);
        SendMessageW(box, BM_SETCHECK, switchValue(theForm.city->control(), name), 0);
        theForm.switches.emplace_back(box, name);
        y += 26;
    }
    fillStates(options);
}

// The switches follow the control (the case options exclude each other).
void syncSwitches() {
    for (const auto& [box, name] : theForm.switches)
        SendMessageW(box, BM_SETCHECK, switchValue(theForm.city->control(), name), 0);
}

LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const auto from = reinterpret_cast<HWND>(lParam);
        if (from == theForm.states && HIWORD(wParam) == CBN_SELCHANGE) {
            const auto index = SendMessageW(from, CB_GETCURSEL, 0, 0);
            const int id = index > 0 ? theForm.stateIds[static_cast<std::size_t>(index)] : 0;
            auto& city = theForm.city->control();
            city.yCampoAuxiliar(id ? u"EstadoId" : u"");
            city.yValorAuxiliar(id ? veltra::fromUtf8(std::to_string(id)) : u"");
        }
        for (const auto& [box, name] : theForm.switches)
            if (from == box && HIWORD(wParam) == BN_CLICKED) {
                const bool on = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
                veltra::findProperty(name)->let(theForm.city->control(), veltra::Variant(on));
                syncSwitches();
            }
        return 0;
    }
    case BoxEvents::kReportState:
        reinterpret_cast<BoxEvents*>(lParam)->reportState();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createFormWindow() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = formProcedure;
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = L"VeltraDemoForm";
    RegisterClassExW(&form);
    return CreateWindowExW(WS_EX_CONTROLPARENT, L"VeltraDemoForm", L"Veltra: cadastro",
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 770, 440, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Handles what is waiting, as the program's loop does: keys are translated into characters,
// and the form's own keys (Tab between its controls) are the dialog manager's.
bool pump(HWND form) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        if (IsDialogMessageW(form, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void wait(HWND form, DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    while (GetTickCount() < until && pump(form))
        Sleep(10);
}

// Types the text through the keyboard input: characters with a key of their own in the
// keyboard layout as that key, others as the characters themselves.
void typeText(const std::wstring& text) {
    for (const wchar_t c : text) {
        std::vector<INPUT> inputs;
        const auto key = [&](WORD virtualKey, WORD scan, DWORD flags) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = virtualKey;
            input.ki.wScan = scan;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        };
        const SHORT mapped = c < 0x80 ? VkKeyScanW(c) : -1;
        if (mapped == -1) {
            key(0, c, KEYEVENTF_UNICODE);
            key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        } else {
            const bool shifted = (mapped >> 8) & 1;
            if (shifted)
                key(VK_SHIFT, 0, 0);
            key(LOBYTE(mapped), 0, 0);
            key(LOBYTE(mapped), 0, KEYEVENTF_KEYUP);
            if (shifted)
                key(VK_SHIFT, 0, KEYEVENTF_KEYUP);
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        wait(theForm.window, 30);
    }
}

bool isBlank(const std::vector<std::uint32_t>& pixels) {
    for (const auto pixel : pixels)
        if (pixel != pixels.front())
            return false;
    return true;
}

// The screen around the form (and the open list under the city box), as a 32-bit BMP.
bool saveScreenshot(const std::wstring& file, bool& blank) {
    RECT area{};
    GetWindowRect(theForm.window, &area);
    area.bottom += 200;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ was = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    const std::vector<std::uint32_t> pixels(first,
                                            first + static_cast<std::size_t>(width) * height);
    blank = isBlank(pixels);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(pixels.size() * 4));
    SelectObject(memory, was);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out.good();
}

int takeScreenshot(const Options& options) {
    SetForegroundWindow(theForm.window);
    SetFocus(veltra::win32::WindowAccess::box(*theForm.city).edit());
    wait(theForm.window, 300);
    typeText(options.type);
    wait(theForm.window, 300);
    bool blank = true;
    if (!saveScreenshot(options.screenshot, blank)) {
        theLog.line(u"Não foi possível gravar " + fromWide(options.screenshot));
        return 1;
    }
    theLog.line(u"Captura de tela gravada em " + fromWide(options.screenshot) +
                u" (texto na caixa: \"" + theForm.city->control().Text() + u"\")");
    if (blank) {
        theLog.line(u"A captura de tela saiu em branco.");
        return 1;
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const Options options = parse(argc, argv);
    // Screen readers reach the boxes' accessible objects through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    theForm.window = createFormWindow();
    buildForm(options);
    ShowWindow(theForm.window, options.screenshot.empty() ? show : SW_SHOWNORMAL);
    UpdateWindow(theForm.window);
    theForm.cityEvents->reportPlace();
    theForm.personEvents->reportPlace();
    if (!options.screenshot.empty()) {
        const int result = takeScreenshot(options);
        DestroyWindow(theForm.window);
        return result;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(theForm.window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
