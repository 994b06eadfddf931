// This file is not part of the API. A COM object that speaks one interface (and the
// interfaces it derives from): reference counted, deleted with its last reference.
#pragma once

#include <unknwn.h>
#include <windows.h>

namespace veltra::win32 {

template <class Interface, class... Bases>
class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface) ||
            ((iid == __uuidof(Bases)) || ...)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    ComObject() = default;
    virtual ~ComObject() = default;

  private:
    LONG references_ = 1;
};

} // namespace veltra::win32
