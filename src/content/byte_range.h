#pragma once
// The single byte range of an HTTP Range header value, as the content server
// serves it. Portable.
#include <cstdint>
#include <optional>
#include <string>

struct ByteRange {
    uint64_t first = 0; // both inclusive
    uint64_t last = 0;
    bool operator==(const ByteRange&) const = default;
};

// "bytes=F-L", "bytes=F-" or "bytes=-K" against a file of fileSize bytes; only
// the first range of a list counts. Nothing when the range cannot be served,
// including "bytes=-0" and numbers without digits or beyond 32 signed bits.
std::optional<ByteRange> ParseByteRange(const std::string& value, uint64_t fileSize);
