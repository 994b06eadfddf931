#include "ComHostSite.h"

IID kEventsId{};

MemoryBag::~MemoryBag() {
    for (auto& [name, value] : values_)
        VariantClear(&value);
}

HRESULT MemoryBag::QueryInterface(REFIID iid, void** object) {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IPropertyBag)) {
        *object = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT MemoryBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    for (auto& [key, stored] : values_)
        if (key == name)
            return VariantCopy(value, &stored);
    return E_INVALIDARG;
}

HRESULT MemoryBag::Write(LPCOLESTR name, VARIANT* value) {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, value);
    for (auto& [key, stored] : values_)
        if (key == name) {
            VariantClear(&stored);
            stored = copy;
            return S_OK;
        }
    values_.emplace_back(name, copy);
    return S_OK;
}

std::wstring MemoryBag::keys() const {
    std::wstring all;
    for (const auto& [key, value] : values_)
        all += (all.empty() ? L"" : L" ") + key;
    return all;
}

// The site a form gives a control: its window and place, the ambient properties (user mode,
// the form's font) and the frame, which keeps the control that is UI active.
class HostedControl::Site final : public IOleClientSite,
                                  public IOleInPlaceSite,
                                  public IOleInPlaceFrame,
                                  public IDispatch {
  public:
    Site(HWND form, RECT place) : form_(form), place_(place) {}

    ComPtr<IOleInPlaceActiveObject> active;
    ComPtr<IOleInPlaceObject> placed;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IOleClientSite))
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceSite))
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (iid == __uuidof(IOleInPlaceUIWindow) || iid == __uuidof(IOleInPlaceFrame))
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == __uuidof(IDispatch))
            *object = static_cast<IDispatch*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IOleClientSite.
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = form_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite.
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT place,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        *document = nullptr;
        *place = place_;
        *clip = place_;
        info->fMDIApp = FALSE;
        info->hwndFrame = form_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    // The control asks for a new place (it fitted its height): the form gives it.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT place) override {
        place_ = *place;
        if (placed)
            placed->SetObjectRects(&place_, &place_);
        return S_OK;
    }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no tools, no menus.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        active = object;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (!result)
            return E_POINTER;
        VariantInit(result);
        if (id == DISPID_AMBIENT_USERMODE) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = VARIANT_TRUE;
            return S_OK;
        }
        if (id == DISPID_AMBIENT_FONT) {
            FONTDESC font{sizeof(FONTDESC),
                          const_cast<LPOLESTR>(L"Tahoma"),
                          {},
                          FW_NORMAL,
                          DEFAULT_CHARSET,
                          FALSE,
                          FALSE,
                          FALSE};
            font.cySize.int64 = 100000;
            V_VT(result) = VT_DISPATCH;
            return OleCreateFontIndirect(&font, __uuidof(IDispatch),
                                         reinterpret_cast<void**>(&V_DISPATCH(result)));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    HWND form_;
    RECT place_;
};

HostedControl::HostedControl(HWND form, POINT at)
    : site_(new Site(form, RECT{at.x, at.y, at.x + 208, at.y + 20})) {
    CLSID id{};
    if (FAILED(CLSIDFromProgID(L"Veltra.Veltra", &id)) ||
        FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IOleObject),
                                reinterpret_cast<void**>(object_.GetAddressOf()))))
        return;
    object_.As(&dispatch_);
    object_->SetClientSite(site_);
    ComPtr<IProvideClassInfo2> info;
    if (SUCCEEDED(object_.As(&info)))
        info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &kEventsId);
}

HostedControl::~HostedControl() {
    if (events_)
        events_->Unadvise(cookie_);
    if (notifications_)
        notifications_->Unadvise(notificationCookie_);
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    site_->placed.Reset();
    site_->active.Reset();
    object_.Reset();
    dispatch_.Reset();
    delete site_;
}

HWND HostedControl::window() const {
    HWND own = nullptr;
    if (site_->placed)
        site_->placed->GetWindow(&own);
    return own;
}

void HostedControl::initNew() {
    ComPtr<IPersistPropertyBag> persist;
    if (SUCCEEDED(object_.As(&persist)))
        persist->InitNew();
}

// In place and UI active, as a form makes the control that has the focus.
void HostedControl::activate() {
    RECT place{};
    object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_, 0, nullptr, &place);
    object_.As(&site_->placed);
}

void HostedControl::connect(IDispatch& sink) {
    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_.As(&points)) &&
        SUCCEEDED(points->FindConnectionPoint(kEventsId, &events_)))
        events_->Advise(&sink, &cookie_);
}

void HostedControl::connect(IPropertyNotifySink& sink) {
    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_.As(&points)) &&
        SUCCEEDED(points->FindConnectionPoint(__uuidof(IPropertyNotifySink), &notifications_)))
        notifications_->Advise(&sink, &notificationCookie_);
}

void HostedControl::saveTo(MemoryBag& bag) {
    ComPtr<IPersistPropertyBag> persist;
    if (SUCCEEDED(object_.As(&persist)))
        persist->Save(&bag, TRUE, TRUE);
}

void HostedControl::saveTo(IStream& stream) {
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(object_.As(&persist)))
        persist->Save(&stream, TRUE);
}

void HostedControl::loadFrom(MemoryBag& bag) {
    ComPtr<IPersistPropertyBag> persist;
    if (SUCCEEDED(object_.As(&persist)))
        persist->Load(&bag, nullptr);
}

void HostedControl::loadFrom(IStream& stream) {
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(object_.As(&persist)))
        persist->Load(&stream);
}

std::wstring HostedControl::typeLibraryName(DISPID id) {
    ComPtr<ITypeInfo> info;
    if (FAILED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)))
        return L"";
    BSTR name = nullptr;
    UINT count = 0;
    info->GetNames(id, &name, 1, &count);
    std::wstring result = name ? name : L"";
    SysFreeString(name);
    return result;
}

bool HostedControl::translate(MSG& message) {
    return message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST && site_->active &&
           site_->active->TranslateAccelerator(&message) == S_OK;
}
