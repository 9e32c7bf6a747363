// Compressed files, corrupt and truncated: the decoding reader never crashes or
// hangs, gives the same outcome and bytes however its input and output are cut
// (a failing stream may give more or fewer of its first bytes), never more
// than a range asks, and ends cleanly only on a whole stream: every shorter cut
// of a stream that ended cleanly fails. zlib's own output round-trips.
#include <algorithm>
#include <cstdint>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "content/decoding_reader.h"
#include "fuzz_check.h"
#include "gzip_of.h"

namespace {
struct Outcome {
    std::string bytes;
    DecodingReader::State state;
};

Outcome Decode(Coding coding, const std::string& file, size_t inPiece, size_t outPiece,
               uint64_t first = 0, uint64_t limit = UINT64_MAX) {
    CompressedSource source = [&file, inPiece, at = size_t{0}](uint8_t* buffer,
                                                               size_t size) mutable {
        const size_t count = std::min({inPiece, size, file.size() - at});
        std::copy_n(file.data() + at, count, buffer);
        at += count;
        return std::optional<size_t>(count);
    };
    DecodingReader reader(coding, source, first, limit);
    std::string bytes, buffer(outPiece, '\0');
    while (reader.state() == DecodingReader::State::Reading) {
        const size_t count = reader.Read(reinterpret_cast<uint8_t*>(buffer.data()), outPiece);
        FUZZ_REQUIRE(count <= outPiece, "no more than asked");
        FUZZ_REQUIRE(count == outPiece || reader.state() != DecodingReader::State::Reading,
                     "fewer bytes only at the end");
        bytes.append(buffer, 0, count);
        FUZZ_REQUIRE(bytes.size() <= (64u << 20), "bounded output");
    }
    return {bytes, reader.state()};
}

void CheckStream(Coding coding, const std::string& file, FuzzedDataProvider& input) {
    const size_t inPiece = input.ConsumeIntegralInRange<size_t>(1, 70000);
    const size_t outPiece = input.ConsumeIntegralInRange<size_t>(1, 70000);
    const Outcome whole = Decode(coding, file, 1 << 16, 1 << 16);
    const Outcome cut = Decode(coding, file, inPiece, outPiece);
    FUZZ_REQUIRE(whole.state == cut.state, "the same outcome however input and output are cut");
    // A decoder may hold back some output when it finds the fault, more or less
    // depending on the pieces: what came out is the same as far as both go.
    const size_t common = std::min(whole.bytes.size(), cut.bytes.size());
    FUZZ_REQUIRE(whole.bytes.compare(0, common, cut.bytes, 0, common) == 0,
                 "the same bytes however input and output are cut");
    if (whole.state != DecodingReader::State::Ended)
        return;
    FUZZ_REQUIRE(whole.bytes == cut.bytes, "a whole stream gives all its bytes either way");
    const uint64_t first = input.ConsumeIntegralInRange<uint64_t>(0, whole.bytes.size());
    const uint64_t limit = input.ConsumeIntegralInRange<uint64_t>(1, whole.bytes.size() + 2);
    const Outcome range = Decode(coding, file, inPiece, outPiece, first, limit);
    FUZZ_REQUIRE(range.bytes == whole.bytes.substr(first, limit), "a range is a slice");
    const size_t shorter = input.ConsumeIntegralInRange<size_t>(0, file.size() - 1);
    FUZZ_REQUIRE(Decode(coding, file.substr(0, shorter), inPiece, outPiece).state ==
                     DecodingReader::State::Failed,
                 "a truncated stream fails");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int mode = input.ConsumeIntegralInRange<int>(0, 2);
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, input.remaining_bytes());
    const std::string body = input.ConsumeBytesAsString(length);
    if (mode == 2) { // zlib's own gzip of the bytes comes back as they were
        const std::string file = GzipOf(body, input.ConsumeIntegralInRange<int>(0, 9));
        FUZZ_REQUIRE(Decode(Coding::Gzip, file, 4096, 4096).bytes == body, "gzip round trip");
        CheckStream(Coding::Gzip, file, input);
        return 0;
    }
    CheckStream(mode == 0 ? Coding::Gzip : Coding::Brotli, body, input);
    return 0;
}
