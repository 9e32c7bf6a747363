#pragma once
// What every stream the host hands the runtime shares: the runtime reads bodies
// on a thread of its own, so the stream is agile (free-threaded marshaler) and
// counts its references atomically.
#include <atomic>

#include <objidl.h>

#include "util/com/com_ptr.h"

class AgileStreamBase : public IStream {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IMarshal && marshaler_)
            return marshaler_->QueryInterface(iid, object);
        if (iid != IID_IUnknown && iid != IID_IAgileObject && iid != IID_ISequentialStream &&
            iid != IID_IStream) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

protected:
    AgileStreamBase() {
        CoCreateFreeThreadedMarshaler(static_cast<IStream*>(this), marshaler_.put());
    }
    virtual ~AgileStreamBase() = default;

private:
    com_ptr<IUnknown> marshaler_;
    std::atomic<ULONG> references_{1};
};

// A body the runtime only reads: writing, resizing and locking are refused.
class ReadOnlyStreamBase : public AgileStreamBase {
public:
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written)
            *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
};
