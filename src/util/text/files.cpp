#include "util/text/files.h"

#include <mutex>

#include <pathcch.h>
#include <shlobj.h>

#include "util/text/long_path.h"
#include "util/text/profile_path.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"

namespace {
constexpr DWORD kLongPathCapacity = 32767;

std::string ComputeExecutablePath() {
    std::wstring modulePath(kLongPathCapacity, L'\0');
    GetModuleFileNameW(nullptr, modulePath.data(), kLongPathCapacity);
    std::wstring canonical(kLongPathCapacity, L'\0');
    PathCchCanonicalizeEx(canonical.data(), kLongPathCapacity, modulePath.c_str(),
                          PATHCCH_ALLOW_LONG_PATHS);
    canonical.resize(wcslen(canonical.c_str()));
    return WideToUtf8(StripLongPathPrefix(canonical));
}
} // namespace

const std::string& GetExecutablePath() {
    static std::once_flag once;
    static std::string path;
    std::call_once(once, [] { path = ComputeExecutablePath(); });
    return path;
}

std::string FolderOfPath(const std::string& path) {
    size_t lastBackslash = path.rfind('\\');
    return lastBackslash == std::string::npos ? path : path.substr(0, lastBackslash + 1);
}

std::string KnownFolderPathUtf8(REFKNOWNFOLDERID folderId) {
    PWSTR folder = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(folderId, 0, nullptr, &folder)) && folder)
        result = WideToUtf8(StripLongPathPrefix(folder));
    CoTaskMemFree(folder);
    return result;
}

uint64_t FullFileSizeOf(const std::string& path) {
    // The attribute query, unlike msvcrt's _wstat, accepts "\\?\" paths.
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(ToLongPath(Utf8ToWide(path)).c_str(), GetFileExInfoStandard,
                              &attributes))
        return 0;
    return (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
}

std::string PathForAuthorLog(const std::string& path) {
    return ShortenProfilePath(path, KnownFolderPathUtf8(FOLDERID_Profile));
}

uint64_t FileSizeOf(const std::string& path) {
    // Reported as a signed 32-bit size, as the classic _wstat does: larger files read as 0.
    const uint64_t size = FullFileSizeOf(path);
    return size > INT32_MAX ? 0 : size;
}

namespace {
std::wstring QueryImagePath(DWORD processId) {
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return {};
    std::wstring path(kLongPathCapacity, L'\0');
    DWORD length = kLongPathCapacity;
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &length))
        return {};
    path.resize(length);
    return StripLongPathPrefix(path);
}
} // namespace

std::string ProcessImagePath(DWORD processId) {
    const std::wstring path = QueryImagePath(processId);
    return path.empty() ? "unknown" : WideToUtf8(path);
}

bool RunsThisProgram(DWORD processId) {
    const std::wstring other = QueryImagePath(processId);
    const std::wstring self = Utf8ToWide(GetExecutablePath());
    return !other.empty() &&
           CompareStringOrdinal(other.c_str(), static_cast<int>(other.size()), self.c_str(),
                                static_cast<int>(self.size()), TRUE) == CSTR_EQUAL;
}
