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
// the first range of a list counts. A last byte past the end means the end and
// a suffix longer than the file the whole file. Nothing when the range cannot be
// served: a first byte at or past the end, "bytes=-0", a negative number, or
// numbers without digits or beyond 32 signed bits.
std::optional<ByteRange> ParseByteRange(const std::string& value, uint64_t fileSize);
