#include "ConnectionPoint.h"

#include <olectl.h>

namespace veltra::com {

void ConnectionPoint::forEachSink(const std::function<void(IUnknown& sink)>& call) const {
    // A sink may disconnect while it is called: the list is walked as it stood.
    const auto connections = connections_;
    for (const auto& connection : connections)
        call(*connection.sink.Get());
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    *iid = interfaceId_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** owner) {
    *owner = &owner_;
    owner_.AddRef();
    return S_OK;
}

// The sink must speak the outgoing interface (a dispatch interface's sink may answer as
// IDispatch only).
HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    Microsoft::WRL::ComPtr<IUnknown> speaking;
    if (FAILED(sink->QueryInterface(interfaceId_, &speaking)) &&
        FAILED(sink->QueryInterface(__uuidof(IDispatch), &speaking)))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    connections_.push_back({*cookie, speaking});
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto connection = connections_.begin(); connection != connections_.end(); ++connection)
        if (connection->cookie == cookie) {
            connections_.erase(connection);
            return S_OK;
        }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    *connections = nullptr;
    return E_NOTIMPL;
}

} // namespace veltra::com
