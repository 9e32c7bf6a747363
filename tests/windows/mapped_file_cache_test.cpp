#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <windows.h>
#include <shlwapi.h>

#include "content/mapped_file_cache.h"
#include "content/slice_stream.h"
#include "support/temp_folder.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
HANDLE OpenForWriting(const std::string& path) {
    return CreateFileW(ToLongPath(Utf8ToWide(path)).c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
} // namespace

TEST(MappedFileCache, MapsOncePerPathAndHoldsTheFileUntilUnmapAll) {
    TempFolder folder;
    const std::string path = folder.path() + "media\\song.mp3";
    WriteFileBytes(path, "0123456789");
    MappedFileCache cache;
    auto view = cache.GetView("media/song.mp3", path);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->size(), 10u);
    EXPECT_EQ(std::memcmp(view->bytes(), "0123456789", 10), 0);
    EXPECT_EQ(cache.GetView("media/song.mp3", path), view) << "not mapped again";
    EXPECT_NE(cache.GetView("media%2Fsong.mp3", path), nullptr);
    EXPECT_EQ(cache.size(), 2u) << "one entry per relative path";

    EXPECT_EQ(OpenForWriting(path), INVALID_HANDLE_VALUE) << "held while cached";
    view.reset();
    EXPECT_EQ(OpenForWriting(path), INVALID_HANDLE_VALUE) << "held by the cache alone";
    cache.UnmapAll();
    EXPECT_EQ(cache.size(), 0u);
    HANDLE writer = OpenForWriting(path);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "released by UnmapAll";
    CloseHandle(writer);
}

TEST(MappedFileCache, ManySpellingsOfOneFileStayBounded) {
    TempFolder folder;
    const std::string path = folder.path() + "a.bin";
    WriteFileBytes(path, "abc");
    MappedFileCache cache;
    const auto first = cache.GetView("a.bin", path);
    size_t most = 0;
    for (int spelling = 0; spelling < 600; ++spelling) {
        ASSERT_NE(cache.GetView("a.bin?" + std::to_string(spelling), path), nullptr);
        most = std::max(most, cache.size());
    }
    EXPECT_LE(most, 256u);
    EXPECT_EQ(std::memcmp(first->bytes(), "abc", 3), 0) << "a view handed out stays mapped";
}

TEST(MappedFileCache, FailuresAreNotRememberedSoTheNextRequestTriesAgain) {
    TempFolder folder;
    const std::string path = folder.path() + "held.bin";
    WriteFileBytes(path, "abc");
    MappedFileCache cache;
    EXPECT_EQ(cache.GetView("missing.bin", folder.path() + "missing.bin"), nullptr);
    EXPECT_EQ(cache.GetView("empty", folder.path()), nullptr) << "a folder cannot be mapped";
    HANDLE writer = OpenForWriting(path);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(cache.GetView("held.bin", path), nullptr);
    EXPECT_EQ(cache.size(), 0u);
    CloseHandle(writer);
    EXPECT_NE(cache.GetView("held.bin", path), nullptr);
}

namespace {
std::string ReadAll(IStream* stream, ULONG chunk) {
    std::string bytes;
    char buffer[16];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, chunk, &read)) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

uint64_t SeekTo(IStream* stream, int64_t move, DWORD origin) {
    LARGE_INTEGER distance;
    distance.QuadPart = move;
    ULARGE_INTEGER position{};
    EXPECT_EQ(stream->Seek(distance, origin, &position), S_OK) << move << " from " << origin;
    return position.QuadPart;
}
} // namespace

TEST(SliceStream, ReadsSeeksAndStatsWithinItsSliceOnly) {
    TempFolder folder;
    const std::string path = folder.path() + "clip.bin";
    WriteFileBytes(path, "0123456789abcdef");
    MappedFileCache cache;
    com_ptr<IStream> slice = MakeSliceStream(cache.GetView("clip.bin", path), 4, 8);
    ASSERT_TRUE(slice);
    EXPECT_EQ(ReadAll(slice.get(), 3), "456789ab");

    STATSTG stat{};
    ASSERT_EQ(slice->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 8u);
    EXPECT_EQ(SeekTo(slice.get(), 2, STREAM_SEEK_SET), 2u);
    EXPECT_EQ(SeekTo(slice.get(), -3, STREAM_SEEK_END), 5u);
    EXPECT_EQ(SeekTo(slice.get(), -1, STREAM_SEEK_CUR), 4u);
    LARGE_INTEGER outside;
    outside.QuadPart = 9;
    EXPECT_EQ(slice->Seek(outside, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    outside.QuadPart = -5;
    EXPECT_EQ(slice->Seek(outside, STREAM_SEEK_CUR, nullptr), STG_E_INVALIDFUNCTION);
    ULONG written = 1;
    EXPECT_TRUE(FAILED(slice->Write("x", 1, &written)));
    EXPECT_EQ(written, 0u);

    com_ptr<IStream> clone;
    ASSERT_EQ(slice->Clone(clone.put()), S_OK);
    EXPECT_EQ(ReadAll(clone.get(), 16), "89ab") << "a clone starts where its original is";
    EXPECT_EQ(ReadAll(slice.get(), 16), "89ab") << "and moves on its own";
    EXPECT_FALSE(MakeSliceStream(cache.GetView("clip.bin", path), 10, 7)) << "beyond the file";

    // The runtime may read it on any thread: agile, with the free-threaded marshaler.
    for (const IID& iid : {IID_IAgileObject, IID_IMarshal, IID_ISequentialStream}) {
        com_ptr<IUnknown> offered;
        EXPECT_EQ(slice->QueryInterface(iid, reinterpret_cast<void**>(offered.put())), S_OK);
    }
    com_ptr<IStream> copy = com_ptr<IStream>::attach(SHCreateMemStream(nullptr, 0));
    SeekTo(slice.get(), 1, STREAM_SEEK_SET);
    ULARGE_INTEGER wanted, read{}, copied{};
    wanted.QuadPart = 100;
    ASSERT_EQ(slice->CopyTo(copy.get(), wanted, &read, &copied), S_OK);
    EXPECT_EQ(read.QuadPart, 7u);
    EXPECT_EQ(copied.QuadPart, 7u);
    SeekTo(copy.get(), 0, STREAM_SEEK_SET);
    EXPECT_EQ(ReadAll(copy.get(), 16), "56789ab");
}

TEST(SliceStream, KeepsItsViewMappedAfterTheCacheLetsGo) {
    TempFolder folder;
    const std::string path = folder.path() + "song.mp3";
    WriteFileBytes(path, "0123456789");
    MappedFileCache cache;
    com_ptr<IStream> slice = MakeSliceStream(cache.GetView("song.mp3", path), 5, 5);
    ASSERT_TRUE(slice);
    cache.UnmapAll();
    EXPECT_EQ(OpenForWriting(path), INVALID_HANDLE_VALUE) << "still held by the stream";
    EXPECT_EQ(ReadAll(slice.get(), 16), "56789");
    slice.reset();
    HANDLE writer = OpenForWriting(path);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "released with the last stream";
    CloseHandle(writer);
}
