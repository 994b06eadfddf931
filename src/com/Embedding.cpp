// What a form host needs to place and run the control: the object's site and verbs, its
// place in the container's window while in-place active, the keys the container would keep
// for itself, the ambient properties, and its picture where it has no window of its own.
#include "ComControl.h"
#include "Win32ComboBox.h"
#include "Win32Text.h"
#include "WindowAccess.h"

namespace veltra::com {

namespace {

int pixelsOfHimetric(LONG himetric, int dotsPerInch) {
    return MulDiv(himetric, dotsPerInch, 2540);
}

// The keys that a container would take for its own navigation and default buttons, which
// the box handles itself while it has the focus.
bool isBoxKey(WPARAM key) {
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_DELETE:
        return true;
    default:
        return false;
    }
}

} // namespace

HRESULT ComControl::SetClientSite(IOleClientSite* site) {
    site_ = site;
    return S_OK;
}

HRESULT ComControl::GetClientSite(IOleClientSite** site) {
    *site = site_.Get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT ComControl::Close(DWORD) {
    InPlaceDeactivate();
    if (adviseHolder_)
        adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT ComControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return activateInPlace(site ? site : site_.Get(), false);
    case OLEIVERB_UIACTIVATE:
        return activateInPlace(site ? site : site_.Get(), true);
    case OLEIVERB_HIDE:
        return InPlaceDeactivate();
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

// The control's window moves into the container's, at the place the container gives; with
// the UI active, the container's frame knows it as its active object.
HRESULT ComControl::activateInPlace(IOleClientSite* site, bool uiActivate) {
    if (!site)
        return E_UNEXPECTED;
    if (!inPlaceActive_) {
        ComPtr<IOleInPlaceSite> placeSite;
        if (FAILED(site->QueryInterface(__uuidof(IOleInPlaceSite),
                                        reinterpret_cast<void**>(placeSite.GetAddressOf()))))
            return E_NOINTERFACE;
        if (placeSite->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        placeSite->OnInPlaceActivate();
        HWND parent = nullptr;
        placeSite->GetWindow(&parent);
        ComPtr<IOleInPlaceUIWindow> document;
        RECT place{};
        RECT clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        frame_.Reset();
        placeSite->GetWindowContext(&frame_, &document, &place, &clip, &frameInfo);
        const HWND own = window().window();
        SetParent(own, parent);
        SetObjectRects(&place, &clip);
        ShowWindow(own, SW_SHOWNA);
        inPlaceSite_ = placeSite;
        inPlaceActive_ = true;
    }
    if (uiActivate && !uiActive_) {
        inPlaceSite_->OnUIActivate();
        if (frame_)
            frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), L"Veltra");
        uiActive_ = true;
        SetFocus(win32::WindowAccess::box(*window_).edit());
    }
    return S_OK;
}

HRESULT ComControl::EnumVerbs(IEnumOLEVERB** verbs) {
    return OleRegEnumVerbs(CLSID_Veltra, verbs);
}

HRESULT ComControl::GetUserClassID(CLSID* id) {
    *id = CLSID_Veltra;
    return S_OK;
}

HRESULT ComControl::GetUserType(DWORD form, LPOLESTR* name) {
    return OleRegGetUserType(CLSID_Veltra, form, name);
}

// A size the container gives, while the control has no place of its own in it.
HRESULT ComControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    extent_ = *size;
    if (window_ && !inPlaceActive_) {
        const HDC screen = GetDC(nullptr);
        SetWindowPos(window_->window(), nullptr, 0, 0,
                     pixelsOfHimetric(size->cx, GetDeviceCaps(screen, LOGPIXELSX)),
                     pixelsOfHimetric(size->cy, GetDeviceCaps(screen, LOGPIXELSY)),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ReleaseDC(nullptr, screen);
    }
    return S_OK;
}

HRESULT ComControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

HRESULT ComControl::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!adviseHolder_ && FAILED(CreateOleAdviseHolder(&adviseHolder_)))
        return E_OUTOFMEMORY;
    return adviseHolder_->Advise(sink, cookie);
}

HRESULT ComControl::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT ComControl::EnumAdvise(IEnumSTATDATA** advises) {
    *advises = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(advises) : S_OK;
}

HRESULT ComControl::GetMiscStatus(DWORD, DWORD* status) {
    *status = kMiscStatus;
    return S_OK;
}

HRESULT ComControl::GetWindow(HWND* own) {
    if (!window_)
        return E_FAIL;
    *own = window_->window();
    return S_OK;
}

// The control's window goes back to its parking place; the container hears of it.
HRESULT ComControl::InPlaceDeactivate() {
    if (!inPlaceActive_)
        return S_OK;
    UIDeactivate();
    park();
    inPlaceActive_ = false;
    inPlaceSite_->OnInPlaceDeactivate();
    inPlaceSite_.Reset();
    return S_OK;
}

void ComControl::park() {
    if (!window_)
        return;
    ShowWindow(window_->window(), SW_HIDE);
    SetParent(window_->window(), parking_);
}

HRESULT ComControl::UIDeactivate() {
    if (!uiActive_)
        return S_OK;
    uiActive_ = false;
    if (frame_)
        frame_->SetActiveObject(nullptr, nullptr);
    inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT ComControl::SetObjectRects(LPCRECT place, LPCRECT) {
    SetWindowPos(window().window(), nullptr, place->left, place->top, place->right - place->left,
                 place->bottom - place->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

// Keys the container would take for itself (Tab, Enter, Esc, the arrows) go to the box while
// it has the focus: it is the control that moves on with Tab, confirms with Enter and steps
// through the rows.
HRESULT ComControl::TranslateAccelerator(LPMSG message) {
    if (!window_ || (message->message != WM_KEYDOWN && message->message != WM_KEYUP) ||
        !isBoxKey(message->wParam) || GetFocus() != win32::WindowAccess::box(*window_).edit())
        return S_FALSE;
    TranslateMessage(message);
    DispatchMessageW(message);
    return S_OK;
}

// The box eats Enter and Esc: a container's default and cancel buttons wait for it.
HRESULT ComControl::GetControlInfo(CONTROLINFO* info) {
    info->cb = sizeof *info;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = CTRLINFO_EATS_RETURN | CTRLINFO_EATS_ESCAPE;
    return S_OK;
}

// The ambient font is read when the control restores or saves itself; nothing changes now.
HRESULT ComControl::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

HRESULT ComControl::FreezeEvents(BOOL freeze) {
    frozenEvents_ += freeze ? 1 : -1;
    if (frozenEvents_ < 0)
        frozenEvents_ = 0;
    return S_OK;
}

// The control's picture: a box with its text and the drop-down button, in the box's font and
// colours.
HRESULT ComControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                         LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
    auto& box = win32::WindowAccess::box(window());
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    RECT button = area;
    button.left = button.right - GetSystemMetrics(SM_CXVSCROLL);
    DrawFrameControl(dc, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    area.right = button.left;
    const HFONT font = win32::createFont(*box.Font());
    const HGDIOBJ was = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, win32::toColorRef(box.ForeColor()));
    const std::wstring text = win32::toWide(box.Text());
    area.left += 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, was);
    DeleteObject(font);
    return S_OK;
}

HRESULT ComControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = sink;
    viewAdviseFlags_ = flags;
    (void)aspects;
    return S_OK;
}

HRESULT ComControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = DVASPECT_CONTENT;
    if (flags)
        *flags = viewAdviseFlags_;
    if (sink) {
        *sink = viewSink_.Get();
        if (*sink)
            (*sink)->AddRef();
    }
    return S_OK;
}

HRESULT ComControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

} // namespace veltra::com
