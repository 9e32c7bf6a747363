#include <gtest/gtest.h>

#include <cstring>

#include <windows.h>

#include "content/mapped_file_cache.h"
#include "support/temp_folder.h"
#include "util/long_path.h"
#include "util/text.h"

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
    const unsigned char* view = cache.GetView("media/song.mp3", path);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::memcmp(view, "0123456789", 10), 0);
    EXPECT_EQ(cache.GetView("media/song.mp3", path), view) << "not mapped again";
    EXPECT_NE(cache.GetView("media%2Fsong.mp3", path), nullptr);
    EXPECT_EQ(cache.size(), 2u) << "one entry per relative path";

    EXPECT_EQ(OpenForWriting(path), INVALID_HANDLE_VALUE) << "held while cached";
    cache.UnmapAll();
    EXPECT_EQ(cache.size(), 0u);
    HANDLE writer = OpenForWriting(path);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "released by UnmapAll";
    CloseHandle(writer);
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
