// veltra-com-host.exe: a form host of the tests' own for the component server, as Windows
// form hosts use it. It creates the control by its ProgID, gives it a site and activates it
// in place in its window, binds by member id and by name, sinks the events through the
// connection point (changing KeyAscii "q" into "h", by reference), saves the control into a
// property bag and a stream and restores two more from them, and logs what it sees.
//
//   veltra-com-host --log FILE --database FILE
#include "ComHostSite.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

std::ofstream logFile;

void log(const std::wstring& line) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes - 1));
    logFile << utf8 << std::endl;
}

// Calls by member id, as a host bound to the type library does.
VARIANT call(IDispatch& control, DISPID id, WORD kind, std::vector<VARIANT> arguments = {}) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments.empty() ? nullptr : arguments.data(), nullptr,
                          static_cast<UINT>(arguments.size()), 0};
    if (kind == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &named;
        parameters.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    const HRESULT answer =
        control.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                       kind == DISPATCH_PROPERTYPUT ? nullptr : &result, nullptr, nullptr);
    if (FAILED(answer))
        log(L"FALHA: chamada " + std::to_wstring(id) + L" devolveu " + std::to_wstring(answer));
    return result;
}

void put(IDispatch& control, DISPID id, const std::wstring& text) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(text.c_str());
    call(control, id, DISPATCH_PROPERTYPUT, {value});
    VariantClear(&value);
}

std::wstring text(IDispatch& control, DISPID id) {
    VARIANT value = call(control, id, DISPATCH_PROPERTYGET);
    const std::wstring result = V_VT(&value) == VT_BSTR && V_BSTR(&value) ? V_BSTR(&value) : L"";
    VariantClear(&value);
    return result;
}

constexpr DISPID kText = 0x68030014;
constexpr DISPID kBoundColumn = 0x6803000C;
constexpr DISPID kDatabaseName = 0x6803000A;
constexpr DISPID kListField = 0x68030009;
constexpr DISPID kNomeTabela = 0x68030007;
constexpr DISPID kSempreMaiusculas = 0x68030010;

// What a restored control holds, to compare with the saved one.
std::wstring configuration(IDispatch& control) {
    VARIANT upper = call(control, kSempreMaiusculas, DISPATCH_PROPERTYGET);
    const std::wstring result = text(control, kDatabaseName) + L"|" + text(control, kNomeTabela) +
                                L"|" + text(control, kListField) + L"|" +
                                text(control, kBoundColumn) + L"|" +
                                (V_BOOL(&upper) ? L"True" : L"False");
    return result;
}

// The events as the form's code hears them; KeyAscii "q" becomes "h".
class Sink final : public IDispatch {
  public:
    explicit Sink(HWND form) : form_(form) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == kEventsId) {
            *object = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                     VARIANT*, EXCEPINFO*, UINT*) override {
        VARIANT* arguments = parameters->rgvarg; // last to first
        switch (id) {
        case 1:
            log(L"CodigoAssociado Numero=\"" + std::wstring(*V_BSTRREF(&arguments[0])) + L"\"");
            break;
        case 6: {
            SHORT& keyAscii = *V_I2REF(&arguments[0]);
            log(L"KeyPress KeyAscii=" + std::to_wstring(keyAscii));
            if (keyAscii == 'q') {
                keyAscii = 'h';
                log(L"KeyPress mudado para " + std::to_wstring(keyAscii));
            }
            break;
        }
        case 7:
            log(L"KeyUp KeyCode=" + std::to_wstring(*V_I2REF(&arguments[1])));
            PostMessageW(form_, WM_APP, 0, 0);
            break;
        default:
            break;
        }
        return S_OK;
    }

  private:
    HWND form_;
};

// The property-changed notifications, as a form designer hears them to save the form again.
class Notifications final : public IPropertyNotifySink {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IPropertyNotifySink)) {
            *object = static_cast<IPropertyNotifySink*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        log(L"mudou " + std::to_wstring(id));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// The box's edit part inside the control's window, as a tool finds it.
HWND editPart(HWND control) {
    const HWND combo = FindWindowExW(control, nullptr, L"ComboBox", nullptr);
    return combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : nullptr;
}

std::wstring place(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return std::to_wstring(area.left) + L"," + std::to_wstring(area.top) + L"," +
           std::to_wstring(area.right - area.left) + L"," + std::to_wstring(area.bottom - area.top);
}

HostedControl* hosted = nullptr;

LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP && hosted) {
        const HWND edit = editPart(hosted->window());
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        log(L"estado texto=\"" + text(hosted->dispatch(), kText) + L"\" seleção=" +
            std::to_wstring(start) + L"," + std::to_wstring(end - start));
        return 0;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createForm() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = formProcedure;
    form.hInstance = GetModuleHandleW(nullptr);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = L"VeltraComHost";
    RegisterClassExW(&form);
    return CreateWindowExW(WS_EX_CONTROLPARENT, L"VeltraComHost", L"Veltra: hospedeiro",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 240, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Saves the control into a bag and into a stream, restores a new control from each and
// compares what they hold.
void roundTrips(HWND form, HostedControl& original) {
    const std::wstring expected = configuration(original.dispatch());
    MemoryBag bag;
    original.saveTo(bag);
    log(L"bolsa: " + bag.keys());
    HostedControl fromBag(form, {300, 10});
    fromBag.loadFrom(bag);
    log(std::wstring(L"bolsa ") +
        (configuration(fromBag.dispatch()) == expected ? L"ok" : L"FALHA") + L": " +
        configuration(fromBag.dispatch()));
    ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    original.saveTo(*stream.Get());
    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    HostedControl fromStream(form, {300, 60});
    fromStream.loadFrom(*stream.Get());
    log(std::wstring(L"fluxo ") +
        (configuration(fromStream.dispatch()) == expected ? L"ok" : L"FALHA") + L": " +
        configuration(fromStream.dispatch()));
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring logPath;
    std::wstring database;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wstring(argv[i]) == L"--log")
            logPath = argv[i + 1];
        else if (std::wstring(argv[i]) == L"--database")
            database = argv[i + 1];
    }
    logFile.open(std::filesystem::path(logPath), std::ios::app);
    OleInitialize(nullptr);
    const HWND form = createForm();
    HostedControl control(form, {10, 10});
    if (!control.created()) {
        log(L"FALHA: Veltra.Veltra não foi criado");
        return 1;
    }
    control.initNew();
    control.activate();
    hosted = &control;
    Sink sink(form);
    control.connect(sink);
    Notifications notifications;
    control.connect(notifications);
    // Bound by id, as a compiled form binds.
    put(control.dispatch(), kDatabaseName, database);
    put(control.dispatch(), kNomeTabela, L"Cidades");
    put(control.dispatch(), kListField, L"Nome");
    put(control.dispatch(), kBoundColumn, L"Id");
    put(control.dispatch(), kText, L"");
    log(L"ListField por id: " + text(control.dispatch(), kListField));
    // Bound by name, as late-bound code and scripts do; the type library's names too.
    DISPID byName = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"DadosAvançar");
    control.dispatch().GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &byName);
    log(L"DadosAvançar por nome: " + std::to_wstring(byName));
    log(L"na biblioteca de tipos: " + control.typeLibraryName(0x6003001E));
    // A Boolean set before the save must come back from the bag and the stream.
    VARIANT upper;
    VariantInit(&upper);
    V_VT(&upper) = VT_BOOL;
    V_BOOL(&upper) = VARIANT_TRUE;
    call(control.dispatch(), kSempreMaiusculas, DISPATCH_PROPERTYPUT, {upper});
    roundTrips(form, control);
    V_BOOL(&upper) = VARIANT_FALSE;
    call(control.dispatch(), kSempreMaiusculas, DISPATCH_PROPERTYPUT, {upper});
    log(L"caixa " + place(control.window()));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (control.translate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    hosted = nullptr;
    return 0;
}
