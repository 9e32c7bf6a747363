#include "content/agile_stream.h"

#include <atomic>

namespace {
// One reader at a time, as the runtime reads a body; the inner stream is
// touched only through these calls.
class AgileStream final : public IStream {
public:
    explicit AgileStream(com_ptr<IStream> inner) : inner_(std::move(inner)) {
        CoCreateFreeThreadedMarshaler(static_cast<IStream*>(this), marshaler_.put());
    }

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

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* read) override {
        return inner_->Read(buffer, wanted, read);
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        return inner_->Write(data, size, written);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        return inner_->Seek(move, origin, position);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        return inner_->SetSize(size);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER wanted, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        return inner_->CopyTo(target, wanted, read, written);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner_->Commit(flags); }
    HRESULT STDMETHODCALLTYPE Revert() override { return inner_->Revert(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size,
                                         DWORD type) override {
        return inner_->LockRegion(offset, size, type);
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size,
                                           DWORD type) override {
        return inner_->UnlockRegion(offset, size, type);
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
        return inner_->Stat(stat, flags);
    }
    // A clone is agile as well.
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
        if (!clone)
            return E_POINTER;
        *clone = nullptr;
        com_ptr<IStream> inner;
        const HRESULT result = inner_->Clone(inner.put());
        if (FAILED(result))
            return result;
        *clone = new AgileStream(std::move(inner));
        return S_OK;
    }

private:
    com_ptr<IStream> inner_;
    com_ptr<IUnknown> marshaler_;
    std::atomic<ULONG> references_{1};
};
} // namespace

com_ptr<IStream> MakeAgileStream(com_ptr<IStream> inner) {
    if (!inner)
        return nullptr;
    return com_ptr<IStream>::attach(new AgileStream(std::move(inner)));
}
