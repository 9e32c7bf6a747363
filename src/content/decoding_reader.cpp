#include "content/decoding_reader.h"

#include <algorithm>

#include <brotli/decode.h>
#include <common/dictionary.h>
#include <zlib.h>

// Brotli's static dictionary, deflated at build time (cmake/decoders.cmake).
extern "C" const size_t kBrotliDictionarySize;
extern "C" const size_t kBrotliDictionaryDeflatedSize;
extern "C" const unsigned char kBrotliDictionaryDeflated[];

namespace {
constexpr size_t kInputPiece = 64 * 1024;
constexpr size_t kSkipPiece = 16 * 1024;

// Inflated once, on the first Brotli file, and kept for the process's life as
// Brotli's own would be; the static's initialisation is thread-safe.
bool BrotliDictionaryReady() {
    static const bool ready = [] {
        static std::vector<uint8_t> dictionary(kBrotliDictionarySize);
        uLongf size = static_cast<uLongf>(dictionary.size());
        if (uncompress(dictionary.data(), &size, kBrotliDictionaryDeflated,
                       static_cast<uLong>(kBrotliDictionaryDeflatedSize)) != Z_OK ||
            size != dictionary.size())
            return false;
        BrotliSetDictionaryData(dictionary.data());
        return true;
    }();
    return ready;
}
} // namespace

// One step of a decoder: takes what it can of the input, fills what it can of
// the output, and says whether the stream goes on, ended or is broken.
class DecodingReader::Codec {
public:
    enum class Step { More, End, Broken };
    virtual ~Codec() = default;
    virtual Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) = 0;
};

namespace {
class GzipCodec final : public DecodingReader::Codec {
public:
    GzipCodec() { ready_ = inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK; }
    ~GzipCodec() override {
        if (ready_)
            inflateEnd(&stream_);
    }
    Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) override {
        if (!ready_)
            return Step::Broken;
        // zlib counts in 32 bits: the pieces given here are far smaller.
        stream_.next_in = const_cast<Bytef*>(in);
        stream_.avail_in = static_cast<uInt>(std::min<size_t>(inLeft, UINT32_MAX));
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(std::min<size_t>(outLeft, UINT32_MAX));
        const uInt inBefore = stream_.avail_in, outBefore = stream_.avail_out;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        in += inBefore - stream_.avail_in;
        inLeft -= inBefore - stream_.avail_in;
        out += outBefore - stream_.avail_out;
        outLeft -= outBefore - stream_.avail_out;
        if (result == Z_STREAM_END)
            return Step::End;
        return result == Z_OK || result == Z_BUF_ERROR ? Step::More : Step::Broken;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

class BrotliCodec final : public DecodingReader::Codec {
public:
    BrotliCodec()
        : state_(BrotliDictionaryReady() ? BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)
                                         : nullptr) {}
    ~BrotliCodec() override {
        if (state_)
            BrotliDecoderDestroyInstance(state_);
    }
    Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) override {
        if (!state_)
            return Step::Broken;
        switch (BrotliDecoderDecompressStream(state_, &inLeft, &in, &outLeft, &out, nullptr)) {
        case BROTLI_DECODER_RESULT_SUCCESS:
            return Step::End;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
        case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
            return Step::More;
        default:
            return Step::Broken;
        }
    }

private:
    BrotliDecoderState* state_;
};

std::unique_ptr<DecodingReader::Codec> MakeCodec(Coding coding) {
    if (coding == Coding::Gzip)
        return std::make_unique<GzipCodec>();
    if (coding == Coding::Brotli)
        return std::make_unique<BrotliCodec>();
    return nullptr;
}
} // namespace

DecodingReader::DecodingReader(Coding coding, CompressedSource source, uint64_t first,
                               uint64_t limit)
    : codec_(MakeCodec(coding)), source_(std::move(source)), first_(first), limit_(limit),
      input_(kInputPiece) {
    if (!codec_)
        state_ = State::Failed;
}

DecodingReader::~DecodingReader() = default;

// Takes the next piece of input when the last is used up; false when the
// source cannot be read.
bool DecodingReader::Refill() {
    if (available_ > 0 || sourceEnded_)
        return true;
    const std::optional<size_t> got = source_(input_.data(), input_.size());
    if (!got || *got > input_.size())
        return false;
    sourceEnded_ = *got == 0;
    next_ = input_.data();
    available_ = *got;
    return true;
}

// The stream ended: anything after it means the file is not what it claims.
void DecodingReader::Finish() {
    state_ = Refill() && available_ == 0 && sourceEnded_ ? State::Ended : State::Failed;
}

size_t DecodingReader::Read(uint8_t* buffer, size_t size) {
    size_t filled = 0;
    uint8_t scratch[kSkipPiece];
    while (state_ == State::Reading && filled < size) {
        if (delivered_ >= limit_) {
            state_ = State::Ended;
            break;
        }
        if (!Refill()) {
            state_ = State::Failed;
            break;
        }
        const bool skipping = skipped_ < first_;
        uint8_t* out = skipping ? scratch : buffer + filled;
        const size_t room = skipping ? std::min<uint64_t>(sizeof scratch, first_ - skipped_)
                                     : std::min<uint64_t>(size - filled, limit_ - delivered_);
        size_t outLeft = room;
        const size_t inBefore = available_;
        const Codec::Step step = codec_->Decode(next_, available_, out, outLeft);
        const size_t made = room - outLeft;
        (skipping ? skipped_ : delivered_) += made;
        if (!skipping)
            filled += made;
        if (step == Codec::Step::End)
            Finish();
        else if (step == Codec::Step::Broken)
            state_ = State::Failed;
        else if (made == 0 && available_ == inBefore && (available_ > 0 || sourceEnded_))
            state_ = State::Failed; // no progress with input to hand: truncated or stuck
    }
    if (state_ != State::Reading)
        LetGoOfDecoder();
    return filled;
}

// Once ended or failed, the decoder's window and the input piece are of no more use,
// however long the runtime keeps the stream.
void DecodingReader::LetGoOfDecoder() {
    codec_.reset();
    input_ = {};
    next_ = nullptr;
    available_ = 0;
}

std::optional<uint64_t> DecodedSize(Coding coding, CompressedSource source, uint64_t limit) {
    DecodingReader reader(coding, std::move(source), 0, limit);
    std::vector<uint8_t> sink(kInputPiece);
    while (reader.state() == DecodingReader::State::Reading)
        reader.Read(sink.data(), sink.size());
    if (reader.state() != DecodingReader::State::Ended)
        return std::nullopt;
    return reader.delivered();
}
