#include "content/decoding_stream.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "content/agile_stream_base.h"
#include "util/log/author_log.h"

namespace {
class DecodingStream final : public ReadOnlyStreamBase {
public:
    explicit DecodingStream(DecodingStreamParts parts) : parts_(std::move(parts)) {
        if (parts_.reader->state() != DecodingReader::State::Reading)
            parts_.slot.Release(); // whole in its first piece
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* read) override;
    // A decoder only goes forward: the position can be asked, not changed.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        if (move.QuadPart != 0 || origin != STREAM_SEEK_CUR)
            return STG_E_INVALIDFUNCTION;
        if (position)
            position->QuadPart = given_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = parts_.announcedLength.value_or(0);
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~DecodingStream() = default;
    bool EndedAsAnnounced();
    HRESULT Fail();

    std::mutex lock_; // the runtime reads from one thread at a time; this makes sure
    DecodingStreamParts parts_;
    size_t firstGiven_ = 0;
    uint64_t given_ = 0;
    bool failed_ = false;
};

HRESULT DecodingStream::Read(void* buffer, ULONG wanted, ULONG* read) {
    if (read)
        *read = 0;
    if (wanted == 0)
        return S_OK;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    const std::lock_guard<std::mutex> hold(lock_);
    if (failed_)
        return STG_E_READFAULT;
    auto* out = static_cast<uint8_t*>(buffer);
    const size_t fromFirst = std::min<size_t>(wanted, parts_.firstPiece.size() - firstGiven_);
    std::memcpy(out, parts_.firstPiece.data() + firstGiven_, fromFirst);
    firstGiven_ += fromFirst;
    size_t count = fromFirst;
    if (count < wanted)
        count += parts_.reader->Read(out + count, wanted - count);
    if (parts_.reader->state() != DecodingReader::State::Reading)
        parts_.slot.Release(); // its decoder is gone, however long the runtime keeps the stream
    given_ += count;
    // Bytes decoded before a failure go out; the next call fails.
    if (count == 0 && !EndedAsAnnounced())
        return Fail();
    if (read)
        *read = static_cast<ULONG>(count);
    return S_OK;
}

bool DecodingStream::EndedAsAnnounced() {
    if (parts_.reader->state() != DecodingReader::State::Ended)
        return false;
    if (parts_.announcedLength)
        return given_ == *parts_.announcedLength;
    if (parts_.decodedWhole) {
        parts_.decodedWhole(given_);
        parts_.decodedWhole = nullptr;
    }
    return true;
}

HRESULT DecodingStream::Fail() {
    failed_ = true;
    LogPageCausedLine("the file " + parts_.name + " cannot be decoded: it is corrupt or truncated");
    return STG_E_READFAULT;
}
} // namespace

com_ptr<IStream> MakeDecodingStream(DecodingStreamParts parts) {
    if (!parts.reader)
        return nullptr;
    return com_ptr<IStream>::attach(new DecodingStream(std::move(parts)));
}
