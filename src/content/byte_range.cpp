#include "content/byte_range.h"

#include <algorithm>
#include <cstdint>

#include "util/text/trim.h"

namespace {

// strtol in base 10 with a 32-bit long: skips leading white space, takes one
// sign, then digits up to the first other character. Nothing when no digit is
// found or the value does not fit.
std::optional<int32_t> ParseLong32(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && IsClassicSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    int64_t value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        value = value * 10 + (text[at] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// Numbers are widened with their sign, so a negative one never passes a test.
uint64_t Widen(int32_t number) {
    return static_cast<uint64_t>(static_cast<int64_t>(number));
}
} // namespace

std::optional<ByteRange> ParseByteRange(const std::string& value, uint64_t fileSize) {
    static const std::string kUnit = "bytes=";
    if (fileSize == 0 || value.compare(0, kUnit.size(), kUnit) != 0)
        return std::nullopt;
    const std::string rest = value.substr(kUnit.size());
    const size_t dash = rest.find('-');
    if (rest.empty() || dash == std::string::npos)
        return std::nullopt;

    if (dash == rest.size() - 1) { // first-
        auto first = ParseLong32(rest.substr(0, dash));
        if (!first || Widen(*first) >= fileSize)
            return std::nullopt;
        return ByteRange{Widen(*first), fileSize - 1};
    }
    // As HTTP means them: a suffix longer than the file is the whole file, and a
    // last byte past the end is the end. A suffix of no bytes is no range at all.
    if (dash == 0) { // -count
        auto count = ParseLong32(rest.substr(1));
        if (!count || *count <= 0)
            return std::nullopt;
        return ByteRange{fileSize - std::min(Widen(*count), fileSize), fileSize - 1};
    }
    auto first = ParseLong32(rest.substr(0, dash)); // first-last
    auto last = ParseLong32(rest.substr(dash + 1));
    if (!first || !last || *last < 0)
        return std::nullopt;
    const uint64_t f = Widen(*first), l = Widen(*last);
    if (f >= fileSize || f > l)
        return std::nullopt;
    return ByteRange{f, std::min(l, fileSize - 1)};
}
