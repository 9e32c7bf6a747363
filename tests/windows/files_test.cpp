#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>

#include "app/startup.h"
#include "support/temp_folder.h"
#include "util/text/files.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

TEST(TextConversion, RoundTripsThroughUtf16) {
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(Utf8ToWide("\xE2\x82\xAC"), L"\x20AC");
    EXPECT_EQ(WideToUtf8(L"\x20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\xD83D\xDE00");
    EXPECT_EQ(WideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(TextConversion, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              L"a\xFFFD"
              L"b");
    EXPECT_EQ(WideToUtf8(L"\xD800"), "\xEF\xBF\xBD");
}

TEST(ExecutablePath, IsCanonicalAndUnprefixed) {
    const std::string& path = GetExecutablePath();
    EXPECT_EQ(&path, &GetExecutablePath());
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), ":\\");
    EXPECT_EQ(path.find("\\\\?\\"), std::string::npos);
    EXPECT_NE(path.find("windows_unit_tests.exe"), std::string::npos);
}

TEST(ExecutablePath, FolderEndsAtTheLastBackslash) {
    EXPECT_EQ(FolderOfPath("C:\\app\\Quorrin.exe"), "C:\\app\\");
    EXPECT_EQ(FolderOfPath("C:\\Quorrin.exe"), "C:\\");
    EXPECT_EQ(FolderOfPath("Quorrin.exe"), "Quorrin.exe");
}

// What a later start of a single-instance program compares: full image paths.
TEST(ProcessImage, OnlyThisProgramFileRunsThisProgram) {
    EXPECT_EQ(ProcessImagePath(GetCurrentProcessId()), GetExecutablePath());
    EXPECT_TRUE(RunsThisProgram(GetCurrentProcessId()));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION other = {};
    std::wstring commandLine = L"cmd.exe /c exit";
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                               &other));
    EXPECT_FALSE(RunsThisProgram(other.dwProcessId));
    EXPECT_NE(ProcessImagePath(other.dwProcessId).find("cmd.exe"), std::string::npos);
    TerminateProcess(other.hProcess, 0);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
    EXPECT_FALSE(RunsThisProgram(0));
    EXPECT_EQ(ProcessImagePath(0), "unknown");
}

TEST(KnownFolders, LocalAppDataHasNoTrailingBackslash) {
    std::string folder = KnownFolderPathUtf8(FOLDERID_LocalAppData);
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_NE(GetFileAttributesW(Utf8ToWide(folder).c_str()), INVALID_FILE_ATTRIBUTES);
    const GUID unknownFolder = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(KnownFolderPathUtf8(unknownFolder), "");
}

namespace {
void MakeSparseFile(const std::string& path, int64_t size) {
    HANDLE file = CreateFileW(ToLongPath(Utf8ToWide(path)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = size;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}
} // namespace

TEST(FileSizeOf, SizesThatFitSigned32Bits) {
    TempFolder folder;
    const std::string& dir = folder.path();
    WriteFileBytes(dir + "ten.bin", "0123456789");
    WriteFileBytes(dir + "empty.bin", "");
    MakeSparseFile(dir + "max.bin", INT32_MAX);
    MakeSparseFile(dir + "two-gib.bin", int64_t{1} << 31);
    MakeSparseFile(dir + "three-gib.bin", int64_t{3} << 30);
    EXPECT_EQ(FileSizeOf(dir + "ten.bin"), 10u);
    EXPECT_EQ(FileSizeOf(dir + "empty.bin"), 0u);
    EXPECT_EQ(FileSizeOf(dir + "missing.bin"), 0u);
    EXPECT_EQ(FileSizeOf(dir + "max.bin"), uint64_t{INT32_MAX});
    EXPECT_EQ(FileSizeOf(dir + "two-gib.bin"), 0u);
    EXPECT_EQ(FileSizeOf(dir + "three-gib.bin"), 0u);
}

TEST(ReadManifestText, ReadsEveryByteOrNothing) {
    TempFolder folder;
    const std::string& dir = folder.path();
    const std::string withNul("{\"name\":\"n\"}\0tail\n", 18);
    WriteFileBytes(dir + "package.json", withNul);
    EXPECT_EQ(ReadManifestText(dir + "package.json"), withNul);
    WriteFileBytes(dir + "empty.json", "");
    EXPECT_EQ(ReadManifestText(dir + "empty.json"), "");
    EXPECT_EQ(ReadManifestText(dir + "missing.json"), "");
    CreateFolders(dir + "folder.json\\");
    EXPECT_EQ(ReadManifestText(dir + "folder.json"), "");
}

TEST(ReadManifestText, FindsFilesBeyondMaxPath) {
    TempFolder folder;
    std::string deep = folder.path();
    while (deep.size() < 400)
        deep += "a-rather-long-folder-name-\xC3\xBC-\xE2\x82\xAC\\";
    WriteFileBytes(deep + "package.json", "{\"name\":\"deep\"}");
    EXPECT_EQ(ReadManifestText(deep + "package.json"), "{\"name\":\"deep\"}");
    EXPECT_EQ(FileSizeOf(deep + "package.json"), 15u);
}
