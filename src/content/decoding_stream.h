#pragma once
// The body of a file served decoded: an agile stream that decodes as the
// runtime reads it, on the runtime's thread, a piece at a time.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <objidl.h>

#include "content/decoder_slots.h"
#include "content/decoding_reader.h"
#include "util/com/com_ptr.h"

struct DecodingStreamParts {
    std::vector<uint8_t> firstPiece; // already decoded while the answer was planned
    std::unique_ptr<DecodingReader> reader;
    std::optional<uint64_t> announcedLength; // the Content-Length, when one went out
    std::string name;                        // the file, for the log
    // Told the decoded size once a whole file has been read to its clean end.
    std::function<void(uint64_t)> decodedWhole;
    DecoderSlot slot; // given back once the body ends, or with the stream
};

// A stream whose Read fails, after one log line naming the file, when the
// file turns out corrupt or truncated, or its length is not what was announced.
com_ptr<IStream> MakeDecodingStream(DecodingStreamParts parts);
