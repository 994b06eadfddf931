// The in-process component server: its class factory, its entry in the system's component
// registry (the class, the ProgID "Veltra.Veltra", the control's categories, the type
// library) and its unloading.
#include "ComControl.h"

#include <comcat.h>
#include <string>

namespace veltra::com {

LONG liveObjects = 0;

namespace {

HINSTANCE serverInstance = nullptr;

constexpr wchar_t kProgId[] = L"Veltra.Veltra";
constexpr wchar_t kName[] = L"Veltra";

std::wstring textOf(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

std::wstring modulePath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(serverInstance, path, MAX_PATH);
    return path;
}

bool setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS written =
        RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return written == ERROR_SUCCESS;
}

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is the server's own, alive as long as the server is loaded.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* control = new (std::nothrow) ComControl;
        if (!control)
            return E_OUTOFMEMORY;
        const HRESULT answer = control->QueryInterface(iid, object);
        control->Release();
        return answer;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? InterlockedIncrement(&liveObjects) : InterlockedDecrement(&liveObjects);
        return S_OK;
    }
};

ClassFactory factory;

} // namespace

HINSTANCE serverModule() {
    return serverInstance;
}

// The type library is the server's own resource.
ITypeLib* typeLibrary() {
    static ITypeLib* library = [] {
        ITypeLib* loaded = nullptr;
        LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &loaded);
        return loaded;
    }();
    return library;
}

} // namespace veltra::com

using namespace veltra::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        serverInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void** object) {
    if (id != CLSID_Veltra) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}

// The class under its id, its ProgID, its module, its categories and its type library.
STDAPI DllRegisterServer() {
    const std::wstring clsid = textOf(CLSID_Veltra);
    const std::wstring key = L"CLSID\\" + clsid;
    const std::wstring control = textOf(CATID_Control);
    const std::wstring programmable = textOf(CATID_Programmable);
    const bool written =
        setValue(key, nullptr, kName) &&
        setValue(key + L"\\InprocServer32", nullptr, modulePath()) &&
        setValue(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
        setValue(key + L"\\ProgID", nullptr, kProgId) &&
        setValue(key + L"\\VersionIndependentProgID", nullptr, kProgId) &&
        setValue(key + L"\\Control", nullptr, L"") &&
        setValue(key + L"\\MiscStatus", nullptr, L"0") &&
        setValue(key + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus)) &&
        setValue(key + L"\\TypeLib", nullptr, textOf(LIBID_VeltraLib)) &&
        setValue(key + L"\\Version", nullptr, L"1.0") &&
        setValue(key + L"\\Implemented Categories\\" + control, nullptr, L"") &&
        setValue(key + L"\\Implemented Categories\\" + programmable, nullptr, L"") &&
        setValue(kProgId, nullptr, kName) &&
        setValue(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid);
    if (!written)
        return SELFREG_E_CLASS;
    ITypeLib* library = typeLibrary();
    if (!library)
        return SELFREG_E_TYPELIB;
    std::wstring path = modulePath();
    return RegisterTypeLib(library, path.data(), nullptr) == S_OK ? S_OK : SELFREG_E_TYPELIB;
}

STDAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + textOf(CLSID_Veltra)).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    UnRegisterTypeLib(LIBID_VeltraLib, 1, 0, LOCALE_NEUTRAL,
                      sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    return S_OK;
}
