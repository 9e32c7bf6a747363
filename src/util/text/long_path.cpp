#include "util/text/long_path.h"

namespace {
const std::wstring kLongPathPrefix = L"\\\\?\\";

bool HasLongPathPrefix(const std::wstring& path) {
    return path.compare(0, kLongPathPrefix.size(), kLongPathPrefix) == 0;
}

const std::wstring kUncPrefix = L"\\\\?\\UNC\\";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "\\server\share\..." (not "\\?\" or the device namespace "\\.\").
bool IsUncPath(const std::wstring& path) {
    return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
           path[2] != L'.';
}
} // namespace

std::wstring ToLongPath(const std::wstring& path) {
    std::wstring result;
    size_t skipped = 0;
    // A share's long form replaces its two leading backslashes.
    if (path.size() >= kLongPathPrefix.size() && IsUncPath(path)) {
        result = kUncPrefix;
        skipped = 2;
    } else if (path.size() >= kLongPathPrefix.size() && !HasLongPathPrefix(path)) {
        result = kLongPathPrefix;
    }
    result.reserve(result.size() + path.size());
    for (size_t i = skipped; i < path.size(); ++i)
        result.push_back(path[i] == L'/' ? L'\\' : path[i]);
    return result;
}

std::wstring StripLongPathPrefix(const std::wstring& path) {
    if (path.compare(0, kUncPrefix.size(), kUncPrefix) == 0)
        return L"\\\\" + path.substr(kUncPrefix.size());
    return HasLongPathPrefix(path) ? path.substr(kLongPathPrefix.size()) : path;
}
