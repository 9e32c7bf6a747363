#include "util/text/profile_path.h"

#include <cctype>

namespace {
bool SameLetters(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}
} // namespace

std::string ShortenProfilePath(const std::string& path, const std::string& profileFolder) {
    std::string profile = profileFolder;
    while (!profile.empty() && profile.back() == '\\')
        profile.pop_back();
    if (profile.empty() || path.size() < profile.size())
        return path;
    for (size_t i = 0; i < profile.size(); ++i)
        if (!SameLetters(path[i], profile[i]))
            return path;
    // "C:\Users\Ann" must not shorten "C:\Users\Anna\...".
    if (path.size() > profile.size() && path[profile.size()] != '\\')
        return path;
    return "%USERPROFILE%" + path.substr(profile.size());
}
