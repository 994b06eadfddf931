// This file is not part of the API. One connection point of the control: the sinks of one
// outgoing interface, each under a cookie. It lives inside the control, which it keeps
// alive while a client holds it.
#pragma once

#include <functional>
#include <ocidl.h>
#include <vector>
#include <wrl/client.h>

namespace veltra::com {

class ConnectionPoint final : public IConnectionPoint {
  public:
    ConnectionPoint(IConnectionPointContainer& owner, const IID& interfaceId)
        : owner_(owner), interfaceId_(interfaceId) {}

    const IID& interfaceId() const { return interfaceId_; }
    // Calls each sink, through the outgoing interface asked of it when it connected.
    void forEachSink(const std::function<void(IUnknown& sink)>& call) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** owner) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

  private:
    struct Connection {
        DWORD cookie;
        Microsoft::WRL::ComPtr<IUnknown> sink;
    };
    IConnectionPointContainer& owner_;
    IID interfaceId_;
    std::vector<Connection> connections_;
    DWORD nextCookie_ = 1;
};

} // namespace veltra::com
