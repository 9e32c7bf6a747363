#include "saves/save_files.h"

#include <algorithm>
#include <atomic>

#include <windows.h>

#include "saves/save_rules.h"
#include "steam/steam_call.h"
#include "util/scoped_handle.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
// 100-ns ticks from 1601 to 1970.
constexpr int64_t kTicksTo1970 = 116444736000000000;

std::wstring PathOf(const std::string& folder, const std::string& name) {
    return ToLongPath(Utf8ToWide(folder + name));
}

int64_t MsOf(const FILETIME& time) {
    const int64_t ticks = static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32) |
                                               time.dwLowDateTime);
    return (ticks - kTicksTo1970) / 10000;
}

std::string LastError(const char* what) {
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// A name of its own for each write, so two writes never share one.
std::string PartialNameOf() {
    static std::atomic<uint32_t> count{0};
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count) +
           kPartialSaveSuffix;
}

std::string WriteAndFlush(HANDLE file, const std::string& bytes) {
    constexpr size_t kPiece = 4 << 20;
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
        const DWORD size = static_cast<DWORD>(std::min(kPiece, bytes.size() - at));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + at, size, &written, nullptr) || written != size)
            return LastError("WriteFile");
    }
    // On the disk before the rename can be: else a power loss could leave the
    // new name on a file whose contents never arrived.
    if (!FlushFileBuffers(file))
        return LastError("FlushFileBuffers");
    return {};
}
} // namespace

bool MakeSaveFolder(const std::string& folder) {
    for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
        CreateDirectoryW(ToLongPath(Utf8ToWide(folder.substr(0, at))).c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(ToLongPath(Utf8ToWide(folder)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t RemovePartialSaves(const std::string& folder) {
    size_t removed = 0;
    WIN32_FIND_DATAW found = {};
    const ScopedSearch search(FindFirstFileW(PathOf(folder, "*").c_str(), &found));
    if (!search)
        return 0;
    do {
        const std::string name = WideToUtf8(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPartialSaveName(name) &&
            DeleteFileW(PathOf(folder, name).c_str()))
            ++removed;
    } while (FindNextFileW(search.get(), &found));
    return removed;
}

std::string WriteSaveFile(const std::string& folder, const std::string& name,
                          const std::string& bytes) {
    const std::wstring partial = PathOf(folder, PartialNameOf());
    std::string failure;
    {
        const ScopedHandle file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return LastError("CreateFileW");
        failure = WriteAndFlush(file.get(), bytes);
    }
    // Renamed over the old save in one step, flushed before it returns.
    if (failure.empty() && !MoveFileExW(partial.c_str(), PathOf(folder, name).c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = LastError("MoveFileExW");
    if (!failure.empty())
        DeleteFileW(partial.c_str());
    return failure;
}

std::optional<std::string> ReadSaveFile(const std::string& folder, const std::string& name,
                                        std::string& error) {
    const ScopedHandle file(CreateFileW(PathOf(folder, name).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        error = "there is no save " + name;
        return std::nullopt;
    }
    if (static_cast<uint64_t>(size.QuadPart) > kSteamCloudFileLimit) {
        error = name + " is larger than 100 MiB";
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                     &read, nullptr) ||
                           read != bytes.size())) {
        error = "could not read " + name;
        return std::nullopt;
    }
    return bytes;
}

bool DeleteSaveFile(const std::string& folder, const std::string& name) {
    return DeleteFileW(PathOf(folder, name).c_str()) != 0;
}

std::vector<SaveFileInfo> ListSaveFiles(const std::string& folder) {
    std::vector<SaveFileInfo> saves;
    WIN32_FIND_DATAW found = {};
    const ScopedSearch search(FindFirstFileW(PathOf(folder, "*").c_str(), &found));
    if (!search)
        return saves;
    do {
        const std::string name = WideToUtf8(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsSaveName(name))
            saves.push_back({name, (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                             MsOf(found.ftLastWriteTime)});
    } while (FindNextFileW(search.get(), &found));
    std::sort(saves.begin(), saves.end(),
              [](const SaveFileInfo& a, const SaveFileInfo& b) { return a.name < b.name; });
    return saves;
}

std::optional<int64_t> SaveTimeMs(const std::string& folder, const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(PathOf(folder, name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return MsOf(data.ftLastWriteTime);
}

bool SetSaveTime(const std::string& folder, const std::string& name, int64_t seconds) {
    const ScopedHandle file(CreateFileW(PathOf(folder, name).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const uint64_t ticks = static_cast<uint64_t>(seconds * 10000000 + kTicksTo1970);
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return file && SetFileTime(file.get(), nullptr, nullptr, &time);
}
