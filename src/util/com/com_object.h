#pragma once
// IUnknown for the host's own single-interface COM objects (handlers, options):
// created with one reference, deleted when the last one goes.
#include <atomic>

#include "util/com/webview2_iids.h"

template <typename Derived, typename Interface> class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IidOf<IUnknown>() || iid == IidOf<Interface>()) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG remaining = --references_;
        if (remaining == 0)
            delete static_cast<Derived*>(this);
        return remaining;
    }

private:
    std::atomic<ULONG> references_{1};
};
