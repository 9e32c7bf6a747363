#include "util/long_path.h"

namespace {
const std::wstring kLongPathPrefix = L"\\\\?\\";

bool HasLongPathPrefix(const std::wstring& path) {
    return path.compare(0, kLongPathPrefix.size(), kLongPathPrefix) == 0;
}
} // namespace

std::wstring ToLongPath(const std::wstring& path) {
    std::wstring result;
    if (path.size() >= kLongPathPrefix.size() && !HasLongPathPrefix(path))
        result = kLongPathPrefix;
    result.reserve(result.size() + path.size());
    for (wchar_t c : path)
        result.push_back(c == L'/' ? L'\\' : c);
    return result;
}

std::wstring StripLongPathPrefix(const std::wstring& path) {
    return HasLongPathPrefix(path) ? path.substr(kLongPathPrefix.size()) : path;
}
