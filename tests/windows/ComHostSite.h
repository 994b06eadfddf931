// The container part of the tests' form host: the site that a form gives each control (its
// window, its place, its ambient properties, the frame that keeps the active object), a
// property bag in memory, and one hosted control.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

// The control's event interface, as the control itself names it (IProvideClassInfo2).
extern IID kEventsId;

// A property bag in memory, keeping the keys in the order they were written.
class MemoryBag final : public IPropertyBag {
  public:
    ~MemoryBag();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;
    std::wstring keys() const;

  private:
    std::vector<std::pair<std::wstring, VARIANT>> values_;
};

// A control of the component server on the form, with a site of its own.
class HostedControl {
  public:
    HostedControl(HWND form, POINT at);
    ~HostedControl();
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;

    bool created() const { return object_ != nullptr; }
    IDispatch& dispatch() { return *dispatch_.Get(); }
    HWND window() const;
    void initNew();
    void activate();
    void connect(IDispatch& sink);
    void connect(IPropertyNotifySink& sink);
    void saveTo(MemoryBag& bag);
    void saveTo(IStream& stream);
    void loadFrom(MemoryBag& bag);
    void loadFrom(IStream& stream);
    // The name the control's type library gives a member id.
    std::wstring typeLibraryName(DISPID id);
    // Lets the active control have the keys a container would keep (Tab, Enter, arrows).
    bool translate(MSG& message);

  private:
    class Site;
    Site* site_ = nullptr;
    ComPtr<IOleObject> object_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IConnectionPoint> events_;
    DWORD cookie_ = 0;
    ComPtr<IConnectionPoint> notifications_;
    DWORD notificationCookie_ = 0;
};
