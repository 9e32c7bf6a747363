#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "content/decoded_plan.h"
#include "content/decoded_sizes.h"
#include "content/decoder_slots.h"
#include "content/decoding_reader.h"
#include "content/precompressed_rule.h"
#include "../fuzz/gzip_of.h"

namespace {
const std::string kText = "Quorrin serves it decoded. Quorrin serves it decoded. "
                          "Quorrin serves it decoded. Quorrin serves it decoded. ";
// kText as Node's zlib.brotliCompressSync writes it.
const std::string kBrotli("\x1b\x6b\x00\xf8\x8d\x94\xab\xed\x68\x11\xe5\xa6\x4b\x95\x90\xac\x45"
                          "\x08\x16\xdd\xd0\x3f\x30\x0c\x15\xa4\xde\xd8\xd5\x58\xf9\x6b\x51\x07"
                          "\x2a\x87\x62\x00",
                          38);

// gzip with an optional comment in its header, as Unity writes its marker.
std::string Gzip(const std::string& text, const char* comment = nullptr) {
    return GzipOf(text, 6, comment);
}

// A source handing out the file `piece` bytes at a time.
CompressedSource SourceOf(const std::string& file, size_t piece = 7) {
    return [file, piece, at = size_t{0}](uint8_t* buffer, size_t size) mutable {
        const size_t count = std::min({piece, size, file.size() - at});
        std::copy_n(file.data() + at, count, buffer);
        at += count;
        return std::optional<size_t>(count);
    };
}

struct Outcome {
    std::string bytes;
    DecodingReader::State state;
};

Outcome Decode(Coding coding, const std::string& file, uint64_t first = 0,
               uint64_t limit = UINT64_MAX) {
    DecodingReader reader(coding, SourceOf(file), first, limit);
    std::string bytes;
    uint8_t buffer[5];
    while (reader.state() == DecodingReader::State::Reading)
        bytes.append(reinterpret_cast<char*>(buffer), reader.Read(buffer, sizeof buffer));
    return {bytes, reader.state()};
}

Decoding For(const char* path, PrecompressedFiles policy, const std::string& head = "") {
    return DecodingFor(path, policy, [&] { return head; });
}
} // namespace

TEST(DecodingFor, WhatEachSettingDecodes) {
    const std::string marked = Gzip("x", "UnityWeb Compressed Content (gzip)");
    const std::string unmarked = Gzip("x");
    const std::string otherComment = Gzip("x", "UnityWeb Compressed Content (brotli)");
    using P = PrecompressedFiles;
    struct Case {
        const char* path;
        P policy;
        std::string head;
        Coding coding;
        const char* served;
    } cases[] = {
        {"Build/game.wasm.br", P::Auto, "", Coding::Brotli, "Build/game.wasm"},
        {"Build/game.framework.js.BR", P::Auto, "", Coding::Brotli, "Build/game.framework.js"},
        {"Build/game.data.gz", P::Auto, marked, Coding::Gzip, "Build/game.data"},
        {"Build/game.data.gz", P::Auto, unmarked, Coding::None, "Build/game.data.gz"},
        {"Build/game.data.gz", P::Auto, otherComment, Coding::None, "Build/game.data.gz"},
        {"Build/game.data.gz", P::All, unmarked, Coding::Gzip, "Build/game.data"},
        {"notes.br", P::Auto, "", Coding::None, "notes.br"},
        {"dir.v2/notes.br", P::Auto, "", Coding::None, "dir.v2/notes.br"},
        {"notes.br", P::All, "", Coding::Brotli, "notes"},
        {"Build/old.wasm", P::Auto, unmarked, Coding::Gzip, "Build/old.wasm"},
        {"Build/old.js", P::All, unmarked, Coding::Gzip, "Build/old.js"},
        {"Build/old.data", P::Auto, unmarked, Coding::Gzip, "Build/old.data"},
        {"Build/old.data", P::Auto, "plain", Coding::None, "Build/old.data"},
        {"Build/old.mjs", P::Auto, unmarked, Coding::None, "Build/old.mjs"},
        {"photo.png", P::Auto, unmarked, Coding::None, "photo.png"},
        {"Build/game.wasm.br", P::None, "", Coding::None, "Build/game.wasm.br"},
        {"Build/old.wasm", P::None, unmarked, Coding::None, "Build/old.wasm"},
    };
    for (const Case& c : cases) {
        const Decoding decoding = For(c.path, c.policy, c.head);
        EXPECT_EQ(decoding.coding, c.coding) << c.path;
        EXPECT_EQ(decoding.servedPath, c.served) << c.path;
    }
}

TEST(DecodingFor, UnitysMarkerAfterANameAndExtraField) {
    std::string withName = Gzip("x", "UnityWeb Compressed Content (gzip)");
    EXPECT_TRUE(HasUnityGzipMarker(withName));
    EXPECT_FALSE(HasUnityGzipMarker(withName.substr(0, 20))) << "the comment cut short";
    // FEXTRA and FNAME come before the comment.
    std::string header("\x1f\x8b\x08\x1c\0\0\0\0\0\x03\x02\0ab", 14);
    header += std::string("name") + '\0' + "UnityWeb Compressed Content (gzip)" + '\0';
    EXPECT_TRUE(HasUnityGzipMarker(header));
    EXPECT_FALSE(HasUnityGzipMarker("UnityWeb Compressed Content (gzip)"));
}

TEST(DecodingReader, DecodesBothCodingsWhole) {
    EXPECT_EQ(Decode(Coding::Brotli, kBrotli).bytes, kText);
    EXPECT_EQ(Decode(Coding::Brotli, kBrotli).state, DecodingReader::State::Ended);
    const Outcome gzip = Decode(Coding::Gzip, Gzip(kText));
    EXPECT_EQ(gzip.bytes, kText);
    EXPECT_EQ(gzip.state, DecodingReader::State::Ended);
    EXPECT_EQ(DecodedSize(Coding::Gzip, SourceOf(Gzip(kText))), kText.size());
}

TEST(DecodingReader, ARangeIsTakenFromTheDecodedBytes) {
    const Outcome slice = Decode(Coding::Brotli, kBrotli, 27, 10);
    EXPECT_EQ(slice.bytes, kText.substr(27, 10));
    EXPECT_EQ(slice.state, DecodingReader::State::Ended);
    EXPECT_EQ(Decode(Coding::Gzip, Gzip(kText), 100, 1000).bytes, kText.substr(100));
}

TEST(DecodingReader, CorruptTruncatedOrTrailedFilesFail) {
    const std::string gzip = Gzip(kText);
    std::string flipped = kBrotli;
    flipped[10] ^= 0x55;
    for (const auto& [coding, file] :
         {std::pair{Coding::Brotli, kBrotli.substr(0, kBrotli.size() - 1)},
          {Coding::Gzip, gzip.substr(0, gzip.size() - 4)},
          {Coding::Gzip, gzip.substr(0, 12)},
          {Coding::Gzip, gzip + "x"},
          {Coding::Brotli, kBrotli + '\0'},
          {Coding::Brotli, flipped},
          {Coding::Gzip, kBrotli},
          {Coding::Brotli, std::string()}}) {
        EXPECT_EQ(Decode(coding, file).state, DecodingReader::State::Failed) << file.size();
        EXPECT_EQ(DecodedSize(coding, SourceOf(file)), std::nullopt);
    }
    CompressedSource unreadable = [](uint8_t*, size_t) { return std::optional<size_t>(); };
    EXPECT_EQ(DecodedSize(Coding::Gzip, unreadable), std::nullopt);
}

TEST(PlanDecodedResponse, TypedByTheInnerNameAndSizedWhenKnown) {
    const ResponsePlan unknown = PlanDecodedResponse("Build/game.wasm", std::nullopt, std::nullopt);
    EXPECT_EQ(unknown.status, 200);
    EXPECT_EQ(JoinHeaderLines(unknown.headers),
              "Cache-Control: no-store\nContent-Type: application/wasm\nAccept-Ranges: bytes");
    EXPECT_EQ(unknown.body, BodySource::Decoded);
    EXPECT_EQ(unknown.length, UINT64_MAX);
    const ResponsePlan known = PlanDecodedResponse("Build/game.wasm", 1000, std::nullopt);
    EXPECT_EQ(known.headers.back(), "Content-Length: 1000");
    EXPECT_EQ(known.length, 1000u);
    const ResponsePlan range = PlanDecodedResponse("Build/game.data", 1000, "bytes=500-2000");
    EXPECT_EQ(range.status, 206);
    EXPECT_EQ(range.body, BodySource::Decoded);
    EXPECT_EQ(range.first, 500u);
    EXPECT_EQ(range.length, 500u);
    EXPECT_EQ(PlanDecodedResponse("a.data", 1000, "bytes=1000-").status, 416);
}

TEST(DecodedSize, StopsOnceTheLimitIsReached) {
    const std::string zeros(1 << 20, '\0');
    const std::string gzip = Gzip(zeros);
    const std::string cut = gzip.substr(0, gzip.size() - 4);
    struct Case {
        std::string file;
        uint64_t limit;
        std::optional<uint64_t> size;
    } cases[] = {
        {gzip, UINT64_MAX, zeros.size()},
        {gzip, zeros.size(), zeros.size()},
        {gzip, zeros.size() + 1, zeros.size()},
        {gzip, 1000, 1000},
        {cut, UINT64_MAX, std::nullopt},
        {cut, 1000, 1000}, // broken only past the limit: not read that far
        {Gzip(""), 1000, 0},
    };
    for (const Case& c : cases) {
        size_t read = 0;
        CompressedSource source = [counted = SourceOf(c.file), &read](uint8_t* buffer,
                                                                      size_t size) mutable {
            const std::optional<size_t> got = counted(buffer, size);
            read += got.value_or(0);
            return got;
        };
        EXPECT_EQ(DecodedSize(Coding::Gzip, source, c.limit), c.size) << c.limit;
        if (c.limit == 1000 && c.file.size() > 100) {
            EXPECT_LT(read, c.file.size() / 2) << "the rest of the file is not read";
        }
    }
}

TEST(DecodedSizes, FoundByTheFileItselfAndBounded) {
    DecodedSizes sizes(2);
    const FileIdentity a{1, 10, 500, 7}, b{1, 11, 500, 7}, c{2, 10, 500, 7};
    sizes.Remember(a, 1000);
    EXPECT_EQ(sizes.Find(a), 1000u);
    for (const FileIdentity& other :
         {FileIdentity{1, 10, 501, 7}, FileIdentity{1, 10, 500, 8}, b, c}) {
        EXPECT_EQ(sizes.Find(other), std::nullopt) << "another file, or this one rewritten";
    }
    sizes.Remember(b, 2000);
    EXPECT_EQ(sizes.Find(a), 1000u); // a is now the more recently used
    sizes.Remember(c, 3000);
    EXPECT_EQ(sizes.Find(b), std::nullopt) << "the least recently used went";
    EXPECT_EQ(sizes.Find(a), 1000u);
    EXPECT_EQ(sizes.Find(c), 3000u);
    sizes.Remember(c, 3001);
    EXPECT_EQ(sizes.Find(c), 3001u);
}

TEST(DecoderSlots, RefusedBeyondTheLimitWithOneLinePerBusySpell) {
    DecoderSlots slots(4);
    std::vector<DecoderSlot> taken;
    for (int i = 0; i < 4; ++i)
        taken.push_back(slots.Take().slot);
    EXPECT_EQ(slots.live(), 4u);
    struct Step {
        size_t release; // slots given back before the next request
        bool granted;
        bool firstRefusal;
    } steps[] = {
        {0, false, true}, {0, false, false}, {1, true, false}, {0, false, false},
        {2, true, false}, // three given back: at most half taken again
        {0, true, false}, {0, false, true},
    };
    for (const Step& step : steps) {
        for (size_t i = 0; i < step.release; ++i)
            taken.pop_back();
        DecoderSlots::Taken next = slots.Take();
        EXPECT_EQ(static_cast<bool>(next.slot), step.granted) << slots.live();
        EXPECT_EQ(next.firstRefusal, step.firstRefusal) << slots.live();
        if (next.slot)
            taken.push_back(std::move(next.slot));
    }
    DecoderSlot moved = std::move(taken.back());
    taken.pop_back();
    EXPECT_EQ(slots.live(), 4u) << "a moved slot is still one";
    moved.Release();
    moved.Release();
    EXPECT_EQ(slots.live(), 3u);
    taken.clear();
    EXPECT_EQ(slots.live(), 0u);
}

TEST(BusyAnswer, SaysWhenToAskAgain) {
    const ResponsePlan busy = BusyAnswer();
    EXPECT_EQ(busy.status, 503);
    EXPECT_NE(std::find(busy.headers.begin(), busy.headers.end(), "Retry-After: 1"),
              busy.headers.end());
    EXPECT_EQ(busy.body, BodySource::Text);
}
