#pragma once
// Reads a compressed file decoded, a piece at a time, with zlib (gzip) or
// Google's Brotli decoder: only the decoder's window and one piece of input
// are in memory, never the whole file. Portable.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "content/precompressed_rule.h"

// Fills up to `size` bytes of the compressed file into `buffer` and says how
// many: 0 at its end, nothing when it cannot be read.
using CompressedSource = std::function<std::optional<size_t>(uint8_t* buffer, size_t size)>;

class DecodingReader {
public:
    enum class State { Reading, Ended, Failed };

    // Yields the decoded bytes [first, first + limit): a whole file by default.
    DecodingReader(Coding coding, CompressedSource source, uint64_t first = 0,
                   uint64_t limit = UINT64_MAX);
    ~DecodingReader();
    DecodingReader(const DecodingReader&) = delete;
    DecodingReader& operator=(const DecodingReader&) = delete;

    // Fills up to `size` bytes and says how many; fewer only once the state is
    // no longer Reading. A stream that is corrupt, truncated, or followed by
    // anything fails; one that ends before `first + limit` ends all the same.
    size_t Read(uint8_t* buffer, size_t size);
    State state() const { return state_; }
    uint64_t delivered() const { return delivered_; }

    class Codec;

private:
    bool Refill();
    void Finish();
    void LetGoOfDecoder();

    std::unique_ptr<Codec> codec_;
    CompressedSource source_;
    const uint64_t first_;
    const uint64_t limit_;
    uint64_t skipped_ = 0;
    uint64_t delivered_ = 0;
    std::vector<uint8_t> input_;
    const uint8_t* next_ = nullptr;
    size_t available_ = 0;
    bool sourceEnded_ = false;
    State state_ = State::Reading;
};

// The decoded size of a whole compressed file; nothing when it does not decode.
// At most `limit` bytes are decoded: a file that decodes to that many or more
// is `limit` long as far as this says, and is not read further.
std::optional<uint64_t> DecodedSize(Coding coding, CompressedSource source,
                                    uint64_t limit = UINT64_MAX);
