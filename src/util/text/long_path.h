#pragma once
// Long-path form of file paths. Portable: plain wide-string work, no system calls.
#include <string>

// "\\?\" prefix and backslashes only ("\\?\UNC\server\..." for a share); paths
// shorter than four characters and paths that already carry the prefix are not
// prefixed.
std::wstring ToLongPath(const std::wstring& path);

// The path without a leading "\\?\" (a share's long form back to "\\server\...").
std::wstring StripLongPathPrefix(const std::wstring& path);
