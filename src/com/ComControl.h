// This file is not part of the API. The control as a component: the dual interface _Veltra
// over the Win32 front end, its events through connection points, its configuration in the
// host's property bag or stream, and what a form designer needs to place, draw and run it.
#pragma once

#include "ComTypes.h"
#include "ConnectionPoint.h"
#include "veltra/Error.h"
#include "veltra/Events.h"
#include "veltra/win32/VeltraWindow.h"
#include "veltra_h.h"

#include <memory>
#include <ocidl.h>
#include <olectl.h>
#include <optional>
#include <wrl/client.h>

namespace veltra::com {

using Microsoft::WRL::ComPtr;

// What the control is to containers: in-place active with a window of its own while
// visible, told its site before it is loaded.
inline constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                     OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                     OLEMISC_SETCLIENTSITEFIRST;

// A failure of the control as the host sees it: the control-facility code of its number,
// with its description as the error information.
HRESULT reportedError(int number, const std::string& description);

// The objects and locks alive: the server may unload when none are.
extern LONG liveObjects;
// The server's own module and type library.
HINSTANCE serverModule();
ITypeLib* typeLibrary();

class ComControl final : public _Veltra,
                         public IConnectionPointContainer,
                         public IProvideClassInfo2,
                         public IPersistPropertyBag,
                         public IPersistStreamInit,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IOleInPlaceActiveObject,
                         public IOleControl,
                         public IViewObject2,
                         private VeltraEvents {
  public:
    ComControl();
    ~ComControl();
    ComControl(const ComControl&) = delete;
    ComControl& operator=(const ComControl&) = delete;

    // IUnknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, through the type library; names also as the lists spell them.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // _Veltra: each property's get and put (putref for Font), the public member, the methods.
#define VELTRA_COM_DECLARE_PROPERTY(Name, Type, Id, Holder, ...)                                   \
    VELTRA_IF_ACCESSORS_##Holder(                                                                  \
        HRESULT STDMETHODCALLTYPE get_##Name(ComType<Type>* value) override;                       \
        HRESULT STDMETHODCALLTYPE VELTRA_COM_PUT_##Type(Name)(ComType<Type> value) override;)
    VELTRA_PROPERTIES(VELTRA_COM_DECLARE_PROPERTY)
#undef VELTRA_COM_DECLARE_PROPERTY
    HRESULT STDMETHODCALLTYPE get_SuperPesquisa(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_SuperPesquisa(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE ConverterLetraCapital(VARIANT Texto, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE EstarComFoco(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE AbrirJanela() override;
    HRESULT STDMETHODCALLTYPE OrdemNumerica() override;
    HRESULT STDMETHODCALLTYPE Mostrar() override;
    HRESULT STDMETHODCALLTYPE DadosAvancar() override;
    HRESULT STDMETHODCALLTYPE DadosRecuar() override;
    HRESULT STDMETHODCALLTYPE DadosIrAoPrimeiro() override;
    HRESULT STDMETHODCALLTYPE DadosIrAoUltimo() override;
    HRESULT STDMETHODCALLTYPE MostrarTodos() override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE DarTAB(VARIANT* result) override;

    // IConnectionPointContainer: the events and the property-changed notifications.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IProvideClassInfo2.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

    // IPersist, IPersistPropertyBag, IPersistStreamInit.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

    // IOleObject.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT where) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* id) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override {
        return E_NOTIMPL;
    }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override {
        return S_OK;
    }

    // IOleControl.
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(LPMSG) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

    // IViewObject, IViewObject2: the control drawn where it has no window of its own (a
    // designer's surface, a print).
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC target,
                                   LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                   ULONG_PTR) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                          LOGPALETTE**) override {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  private:
    // VeltraEvents: each event goes to the connected sinks, arguments by reference.
#define VELTRA_COM_DECLARE_EVENT(Name, Number, Parameters, Arguments) void Name Parameters override;
    VELTRA_EVENTS(VELTRA_COM_DECLARE_EVENT)
#undef VELTRA_COM_DECLARE_EVENT

    // The control, made on first use (a script sets properties without ever placing it):
    // a new instance, or one restored from the bag.
    Veltra& control();
    void create(PropertyBag* saved);
    win32::VeltraWindow& window();
    // Runs a call of the host's; a failure becomes the HRESULT with its description.
    template <class Call>
    HRESULT guarded(Call&& call) {
        try {
            call();
            return S_OK;
        } catch (const Error& error) {
            return reportedError(error.number(), error.what());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& error) {
            return reportedError(ErrorNumber::OtherFailure, error.what());
        }
    }

    void propertyChanged(const String& key);
    FontRef ambientFont() const;
    void fitted(SIZE pixels);
    HRESULT activateInPlace(IOleClientSite* site, bool uiActivate);
    void park();

    LONG references_ = 1;
    HWND parking_ = nullptr; // the control's window's parent while no form holds it
    std::unique_ptr<win32::VeltraWindow> window_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAdviseFlags_ = 0;
    SIZEL extent_{}; // HIMETRIC
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool dirty_ = false;
    LONG frozenEvents_ = 0;
    ConnectionPoint events_;
    ConnectionPoint propertyNotifications_;
};

} // namespace veltra::com
