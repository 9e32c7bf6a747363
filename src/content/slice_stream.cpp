#include "content/slice_stream.h"

#include <algorithm>
#include <cstring>

#include "content/agile_stream_base.h"

namespace {
// Agile, as the runtime asks of response streams, so that it may read from any
// thread: the stream reads immutable mapped memory.
class SliceStream final : public ReadOnlyStreamBase {
public:
    SliceStream(std::shared_ptr<const MappedView> view, uint64_t first, uint64_t length,
                uint64_t position)
        : view_(std::move(view)), bytes_(view_->bytes() + first), length_(length),
          position_(position) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER wanted, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
        if (!clone)
            return E_POINTER;
        *clone = new SliceStream(view_, static_cast<uint64_t>(bytes_ - view_->bytes()), length_,
                                 position_);
        return S_OK;
    }

private:
    ~SliceStream() = default;

    const std::shared_ptr<const MappedView> view_;
    const unsigned char* const bytes_;
    const uint64_t length_;
    uint64_t position_;
};

HRESULT SliceStream::Read(void* buffer, ULONG wanted, ULONG* read) {
    if (!buffer && wanted > 0)
        return STG_E_INVALIDPOINTER;
    const auto count = static_cast<ULONG>(std::min<uint64_t>(wanted, length_ - position_));
    if (count > 0)
        std::memcpy(buffer, bytes_ + position_, count);
    position_ += count;
    if (read)
        *read = count;
    return S_OK;
}

// Positions outside the slice are refused, and the position stays where it was.
HRESULT SliceStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR)
        base = static_cast<int64_t>(position_);
    else if (origin == STREAM_SEEK_END)
        base = static_cast<int64_t>(length_);
    else if (origin != STREAM_SEEK_SET)
        return STG_E_INVALIDFUNCTION;
    // Slices are under 2 GiB, so neither term nears the ends of int64_t.
    if (move.QuadPart < -(int64_t{1} << 62) || move.QuadPart > (int64_t{1} << 62))
        return STG_E_INVALIDFUNCTION;
    const int64_t target = base + move.QuadPart;
    if (target < 0 || static_cast<uint64_t>(target) > length_)
        return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(target);
    if (newPosition)
        newPosition->QuadPart = position_;
    return S_OK;
}

HRESULT SliceStream::CopyTo(IStream* target, ULARGE_INTEGER wanted, ULARGE_INTEGER* read,
                            ULARGE_INTEGER* written) {
    if (!target)
        return STG_E_INVALIDPOINTER;
    uint64_t copied = 0, accepted = 0;
    HRESULT result = S_OK;
    const uint64_t total = std::min<uint64_t>(wanted.QuadPart, length_ - position_);
    while (copied < total && SUCCEEDED(result)) {
        const auto chunk = static_cast<ULONG>(std::min<uint64_t>(total - copied, 1u << 20));
        ULONG took = 0;
        result = target->Write(bytes_ + position_ + copied, chunk, &took);
        copied += chunk;
        accepted += took;
    }
    position_ += copied;
    if (read)
        read->QuadPart = copied;
    if (written)
        written->QuadPart = accepted;
    return result;
}

HRESULT SliceStream::Stat(STATSTG* stat, DWORD) {
    if (!stat)
        return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = length_;
    stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
    return S_OK;
}
} // namespace

com_ptr<IStream> MakeSliceStream(std::shared_ptr<const MappedView> view, uint64_t first,
                                 uint64_t length) {
    if (!view || first > view->size() || length > view->size() - first)
        return nullptr;
    return com_ptr<IStream>::attach(new SliceStream(std::move(view), first, length, 0));
}
