#include "ComControl.h"

#include "veltra/Error.h"
#include "veltra/Properties.h"
#include "veltra/Text.h"

#include <tuple>

namespace veltra::com {

// The control's own errors reach the host as the control-facility codes of their numbers,
// with their descriptions (Err.Number and Err.Description in a form's code).
HRESULT reportedError(int number, const std::string& description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        const String utf16 = fromUtf8(description);
        const std::wstring text(utf16.begin(), utf16.end());
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        create->SetGUID(IID__Veltra);
        create->SetSource(const_cast<LPOLESTR>(L"Veltra.Veltra"));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info)))
            SetErrorInfo(0, info.Get());
    }
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
}

namespace {

// An event's argument as a sink takes it: by reference, written back after the call.
template <class T>
struct ByReference;
template <>
struct ByReference<Integer> {
    Integer& value;
    SHORT copy = value;
    void into(VARIANT& argument) {
        V_VT(&argument) = VT_BYREF | VT_I2;
        V_I2REF(&argument) = &copy;
    }
    void back() { value = copy; }
};
template <>
struct ByReference<Single> {
    Single& value;
    FLOAT copy = value;
    void into(VARIANT& argument) {
        V_VT(&argument) = VT_BYREF | VT_R4;
        V_R4REF(&argument) = &copy;
    }
    void back() { value = copy; }
};
template <>
struct ByReference<String> {
    String& value;
    BSTR copy = toBstr(value);
    ~ByReference() { SysFreeString(copy); }
    void into(VARIANT& argument) {
        V_VT(&argument) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&argument) = &copy;
    }
    void back() { value = fromBstr(copy); }
};

} // namespace

ComControl::ComControl()
    : events_(*this, DIID___Veltra), propertyNotifications_(*this, __uuidof(IPropertyNotifySink)) {
    InterlockedIncrement(&liveObjects);
    parking_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               serverModule(), nullptr);
    constexpr double kHimetricPerTwip = 2540.0 / 1440.0;
    extent_ = {static_cast<LONG>(DesignSize::Width * kHimetricPerTwip),
               static_cast<LONG>(DesignSize::Height * kHimetricPerTwip)};
}

ComControl::~ComControl() {
    window_.reset();
    DestroyWindow(parking_);
    InterlockedDecrement(&liveObjects);
}

HRESULT ComControl::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == IID__Veltra)
        *object = static_cast<_Veltra*>(this);
    else if (iid == __uuidof(IConnectionPointContainer))
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == __uuidof(IProvideClassInfo) || iid == __uuidof(IProvideClassInfo2))
        *object = static_cast<IProvideClassInfo2*>(this);
    else if (iid == __uuidof(IPersist) || iid == __uuidof(IPersistPropertyBag))
        *object = static_cast<IPersistPropertyBag*>(this);
    else if (iid == __uuidof(IPersistStreamInit))
        *object = static_cast<IPersistStreamInit*>(this);
    else if (iid == __uuidof(IOleObject))
        *object = static_cast<IOleObject*>(this);
    else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceObject))
        *object = static_cast<IOleInPlaceObject*>(this);
    else if (iid == __uuidof(IOleInPlaceActiveObject))
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == __uuidof(IOleControl))
        *object = static_cast<IOleControl*>(this);
    else if (iid == __uuidof(IViewObject) || iid == __uuidof(IViewObject2))
        *object = static_cast<IViewObject2*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ComControl::AddRef() {
    return InterlockedIncrement(&references_);
}

ULONG ComControl::Release() {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return left;
}

Veltra& ComControl::control() {
    return window().control();
}

win32::VeltraWindow& ComControl::window() {
    if (!window_)
        create(nullptr);
    return *window_;
}

// The control in its window, parked until a form holds it; a new one replaces an earlier
// one (a load after the first use).
void ComControl::create(PropertyBag* saved) {
    const HWND parent = window_ ? GetParent(window_->window()) : parking_;
    window_.reset();
    win32::VeltraWindow::Site site{[this] { return ambientFont(); },
                                   [this](SIZE pixels) { fitted(pixels); }};
    window_ = std::make_unique<win32::VeltraWindow>(
        parent, POINT{0, 0}, static_cast<VeltraEvents&>(*this), saved, std::move(site));
    window_->onPropertyChanged([this](const String& key) { propertyChanged(key); });
}

// The form must be saved again: the sinks hear the changed property's member id.
void ComControl::propertyChanged(const String& key) {
    dirty_ = true;
    DISPID id = DISPID_UNKNOWN;
    for (const auto& property : properties())
        if (property.changeKey == key && property.memberId != 0)
            id = property.memberId;
    propertyNotifications_.forEachSink(
        [id](IUnknown& sink) { static_cast<IPropertyNotifySink&>(sink).OnChanged(id); });
}

// The container's ambient font; none without a site that has one (the window's parent's
// font is then the control's).
FontRef ComControl::ambientFont() const {
    ComPtr<IDispatch> ambient;
    if (!site_ || FAILED(site_.As(&ambient)))
        return nullptr;
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none{};
    FontRef font;
    if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_FONT, IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)) &&
        (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) && V_UNKNOWN(&value)) {
        ComPtr<IFontDisp> given;
        if (SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(
                __uuidof(IFontDisp), reinterpret_cast<void**>(given.GetAddressOf()))))
            font = copyOfFontDisp(given.Get());
    }
    VariantClear(&value);
    return font;
}

// The control fitted its height: the container places it anew.
void ComControl::fitted(SIZE pixels) {
    const HDC screen = GetDC(nullptr);
    extent_ = {MulDiv(pixels.cx, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
               MulDiv(pixels.cy, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
    ReleaseDC(nullptr, screen);
    if (!inPlaceSite_ || !window_)
        return;
    RECT place{};
    GetWindowRect(window_->window(), &place);
    MapWindowPoints(nullptr, GetParent(window_->window()), reinterpret_cast<POINT*>(&place), 2);
    inPlaceSite_->OnPosRectChange(&place);
}

namespace {

template <class... T>
void invokeSinks(const ConnectionPoint& point, DISPID id, T&... arguments) {
    std::tuple<ByReference<T>...> passed{ByReference<T>{arguments}...};
    VARIANT values[sizeof...(T) + 1] = {};
    // Dispatch arguments go last to first.
    std::size_t index = sizeof...(T);
    std::apply([&](auto&... argument) { (argument.into(values[--index]), ...); }, passed);
    DISPPARAMS parameters{sizeof...(T) ? values : nullptr, nullptr, sizeof...(T), 0};
    point.forEachSink([&](IUnknown& sink) {
        static_cast<IDispatch&>(sink).Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                             &parameters, nullptr, nullptr, nullptr);
    });
    std::apply([](auto&... argument) { (argument.back(), ...); }, passed);
}

} // namespace

// The events, to every connected sink, unless the container froze them.
#define VELTRA_COM_DEFINE_EVENT(Name, Number, Parameters, Arguments)                               \
    void ComControl::Name Parameters {                                                             \
        if (frozenEvents_ == 0)                                                                    \
            invokeSinks(events_, Number VELTRA_AFTER(Arguments));                                  \
    }
VELTRA_EVENTS(VELTRA_COM_DEFINE_EVENT)
#undef VELTRA_COM_DEFINE_EVENT

HRESULT ComControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    *points = nullptr;
    return E_NOTIMPL;
}

HRESULT ComControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    ConnectionPoint* found = iid == DIID___Veltra                   ? &events_
                             : iid == __uuidof(IPropertyNotifySink) ? &propertyNotifications_
                                                                    : nullptr;
    *point = found;
    if (!found)
        return CONNECT_E_NOCONNECTION;
    found->AddRef();
    return S_OK;
}

HRESULT ComControl::GetClassInfo(ITypeInfo** info) {
    return typeLibrary()->GetTypeInfoOfGuid(CLSID_Veltra, info);
}

HRESULT ComControl::GetGUID(DWORD kind, GUID* guid) {
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || !guid)
        return E_INVALIDARG;
    *guid = DIID___Veltra;
    return S_OK;
}

} // namespace veltra::com
