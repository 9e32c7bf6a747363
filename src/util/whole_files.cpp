#include "util/whole_files.h"

#include <algorithm>

#include <windows.h>

#include "util/scoped_handle.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

int64_t SecondsSince1970Of(const FILETIME& time) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                               time.dwLowDateTime);
    return ticks / kFileTimeTicksPerSecond - kSecondsFrom1601To1970;
}

std::wstring LongPathOf(const std::string& path) {
    return ToLongPath(Utf8ToWide(path));
}

bool WriteAndFlush(const std::wstring& path, const std::string& bytes) {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    for (size_t done = 0; done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, piece, &written, nullptr) || !written)
            return false;
        done += written;
    }
    return FlushFileBuffers(file.get());
}
} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit, uint64_t offset) {
    const ScopedHandle file(CreateFileW(LongPathOf(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return std::nullopt;
    const auto total = static_cast<uint64_t>(size.QuadPart);
    if (offset >= total)
        return std::string();
    LARGE_INTEGER start = {};
    start.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string bytes(static_cast<size_t>(std::min(total - offset, limit)), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, piece, &read, nullptr) || !read)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = LongPathOf(path);
    const std::wstring temporary = target + L".tmp";
    if (WriteAndFlush(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

std::vector<FolderFile> FilesInFolder(const std::string& folder) {
    std::vector<FolderFile> files;
    WIN32_FIND_DATAW found = {};
    const ScopedSearch search(FindFirstFileExW(LongPathOf(folder + "\\*").c_str(), FindExInfoBasic,
                                               &found, FindExSearchNameMatch, nullptr, 0));
    if (!search)
        return files;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        files.push_back({WideToUtf8(found.cFileName),
                         (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                         SecondsSince1970Of(found.ftLastWriteTime)});
    } while (FindNextFileW(search.get(), &found));
    return files;
}

std::optional<int64_t> FileWrittenAt(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(LongPathOf(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return SecondsSince1970Of(data.ftLastWriteTime);
}

int64_t SecondsSince1970() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return SecondsSince1970Of(now);
}
