// Range header values against file sizes: an accepted range lies inside the
// file, and the parser agrees with a plain model built on the C library's
// strtoll: no negative number, a last byte past the end clamped to the end, a
// suffix longer than the file the whole file.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "content/byte_range.h"
#include "fuzz_check.h"
#include "fuzzed_file_size.h"

namespace {
// strtol in base 10 with a 32-bit long, from strtoll: white space, one sign,
// digits; no digit or a value beyond 32 signed bits fails.
std::optional<int64_t> ModelNumber(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return value;
}

std::optional<ByteRange> ModelRange(const std::string& value, uint64_t size) {
    if (size == 0 || value.rfind("bytes=", 0) != 0)
        return std::nullopt;
    const std::string rest = value.substr(6);
    const size_t dash = rest.find('-');
    if (rest.empty() || dash == std::string::npos)
        return std::nullopt;
    const auto widen = [](int64_t n) { return static_cast<uint64_t>(n); };
    if (dash == rest.size() - 1) {
        const auto first = ModelNumber(rest.substr(0, dash));
        if (!first || widen(*first) >= size)
            return std::nullopt;
        return ByteRange{widen(*first), size - 1};
    }
    if (dash == 0) {
        const auto count = ModelNumber(rest.substr(1));
        if (!count || *count <= 0)
            return std::nullopt;
        return ByteRange{widen(*count) >= size ? 0 : size - widen(*count), size - 1};
    }
    const auto first = ModelNumber(rest.substr(0, dash));
    const auto last = ModelNumber(rest.substr(dash + 1));
    if (!first || !last || *last < 0 || widen(*first) >= size || *first > *last)
        return std::nullopt;
    return ByteRange{widen(*first), std::min(widen(*last), size - 1)};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint64_t fileSize = FuzzedFileSize(input);
    const std::string value = input.ConsumeRemainingBytesAsString();
    const std::optional<ByteRange> range = ParseByteRange(value, fileSize);
    const std::optional<ByteRange> model = ModelRange(value, fileSize);
    FUZZ_REQUIRE(range == model, "the parser agrees with the strtoll model");
    if (!range)
        return 0;
    FUZZ_REQUIRE(value.rfind("bytes=", 0) == 0, "only the bytes unit");
    FUZZ_REQUIRE(range->last < fileSize, "the last byte lies inside the file");
    FUZZ_REQUIRE(range->first <= range->last, "an accepted range holds at least one byte");
    // Numbers are compared widened with their sign, so below 2^63 bytes (the
    // server passes at most 2 GiB) a negative number never passes.
    if (fileSize < (uint64_t{1} << 63))
        FUZZ_REQUIRE(range->last < (uint64_t{1} << 63), "no negative number passes");
    return 0;
}
