#include "content/agile_stream.h"

#include "content/agile_stream_base.h"

namespace {
// One reader at a time, as the runtime reads a body; the inner stream is
// touched only through these calls.
class AgileStream final : public AgileStreamBase {
public:
    explicit AgileStream(com_ptr<IStream> inner) : inner_(std::move(inner)) {}

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
};
} // namespace

com_ptr<IStream> MakeAgileStream(com_ptr<IStream> inner) {
    if (!inner)
        return nullptr;
    return com_ptr<IStream>::attach(new AgileStream(std::move(inner)));
}
