#include "manifest/manifest_rules.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

const char* const kDirectoryHandleNames[kDirectoryHandleCount] = {
    "program",   "content",   "user-data", "local-app-data", "roaming-app-data",
    "desktop",   "documents", "downloads", "pictures",       "profile",
    "saved-games", "screenshots", "videos",
};

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsForbiddenCharacter(unsigned char c) {
    return c < 32 || std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos;
}

// Windows opens the device whatever extension follows its name ("nul.txt").
bool IsDeviceName(const std::string& name) {
    std::string stem = Lower(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
        if (stem == device)
            return true;
    // COM1 to COM9 and LPT1 to LPT9, and the superscript digits ¹ ² ³ Windows also reads.
    if ((stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem.size() > 3) {
        const std::string digit = stem.substr(3);
        return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xc2\xb9" ||
               digit == "\xc2\xb2" || digit == "\xc2\xb3";
    }
    return false;
}

// The host of an address's authority: up to the first "/", "?", "#" or "\"
// (browsers read a backslash as a slash in web addresses).
std::string AuthorityOf(const std::string& url, size_t schemeLength) {
    const size_t end = url.find_first_of("/?#\\", schemeLength);
    return url.substr(schemeLength, end == std::string::npos ? std::string::npos
                                                             : end - schemeLength);
}

bool IsLoopbackAuthority(const std::string& authority) {
    // A user part ("localhost@evil.net") would make the host another one.
    if (authority.find('@') != std::string::npos)
        return false;
    std::string host = authority;
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        host = authority.substr(0, colon);
    }
    host = Lower(host);
    return host == "localhost" || host == "127.0.0.1" || host == "[::1]";
}
} // namespace

bool IsSafeName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    for (unsigned char c : name)
        if (IsForbiddenCharacter(c))
            return false;
    return !IsDeviceName(name);
}

bool IsTrustedRemoteMain(const std::string& main) {
    const std::string lower = Lower(main);
    if (lower.compare(0, 8, "https://") == 0) {
        const std::string authority = AuthorityOf(lower, 8);
        const size_t at = authority.rfind('@');
        return authority.size() > (at == std::string::npos ? 0 : at + 1);
    }
    return lower.compare(0, 7, "http://") == 0 && IsLoopbackAuthority(AuthorityOf(lower, 7));
}

uint32_t ParseDirectoryHandles(const nlohmann::json& settings) {
    auto it = settings.find("directory-handles");
    if (it == settings.end())
        return kAllDirectoryHandles;
    if (!it->is_array())
        throw std::runtime_error("invalid directory handles");
    uint32_t chosen = 0;
    for (const nlohmann::json& entry : *it) {
        const std::string* word = entry.get_ptr<const std::string*>();
        const auto* const end = std::end(kDirectoryHandleNames);
        const auto* found = word ? std::find_if(std::begin(kDirectoryHandleNames), end,
                                                [&](const char* name) { return *word == name; })
                                 : end;
        if (found == end)
            throw std::runtime_error("invalid directory handles");
        chosen |= 1u << (found - std::begin(kDirectoryHandleNames));
    }
    return chosen;
}
