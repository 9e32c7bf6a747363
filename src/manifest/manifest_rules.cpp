#include "manifest/manifest_rules.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "util/text/json_lookup.h"
#include "util/text/web_origin.h"

const char* const kDirectoryHandleNames[kDirectoryHandleCount] = {
    "program",     "content",     "user-data", "local-app-data", "roaming-app-data",
    "desktop",     "documents",   "downloads", "pictures",       "profile",
    "saved-games", "screenshots", "videos",    "saves",
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
    const std::string origin = WebOriginOf(main);
    if (origin.compare(0, 8, "https://") == 0)
        return true;
    if (origin.compare(0, 7, "http://") != 0)
        return false;
    // The host as the origin spells it: lower case, the port after it.
    const std::string authority = origin.substr(7);
    const size_t hostEnd = authority[0] == '[' ? authority.find(']') + 1 : authority.find(':');
    const std::string host = authority.substr(0, hostEnd);
    return host == "localhost" || host == "127.0.0.1" || host == "[::1]";
}

namespace {
// A bit for each listed name, at its index in the table; anything but an array of
// those names is refused with the message.
template <size_t N>
uint32_t ParseNameBits(const nlohmann::json& list, const char* const (&names)[N],
                       const char* message) {
    if (!list.is_array())
        throw std::runtime_error(message);
    uint32_t chosen = 0;
    for (const nlohmann::json& entry : list) {
        const std::string* word = entry.get_ptr<const std::string*>();
        const auto* found = word ? std::find_if(std::begin(names), std::end(names),
                                                [&](const char* name) { return *word == name; })
                                 : std::end(names);
        if (found == std::end(names))
            throw std::runtime_error(message);
        chosen |= 1u << (found - std::begin(names));
    }
    return chosen;
}

// The kinds a manifest may allow, with their COREWEBVIEW2_PERMISSION_KIND values.
// File write access and autoplay are not the manifest's to give.
const char* const kPermissionNames[] = {
    "microphone",
    "camera",
    "geolocation",
    "notifications",
    "other-sensors",
    "clipboard-read",
    "multiple-automatic-downloads",
    "local-fonts",
    "midi-system-exclusive-messages",
    "window-management",
};
constexpr int kPermissionKinds[] = {1, 2, 3, 4, 5, 6, 7, 10, 11, 12};
} // namespace

bool StrictBool(const nlohmann::json& section, const char* key, const char* failure) {
    auto it = section.find(key);
    if (it == section.end())
        return false;
    if (!it->is_boolean())
        throw std::runtime_error(failure);
    return it->get<bool>();
}

uint32_t ParseDirectoryHandles(const nlohmann::json& settings) {
    auto it = settings.find("directory-handles");
    if (it == settings.end())
        return kAllDirectoryHandles;
    return ParseNameBits(*it, kDirectoryHandleNames, "invalid directory handles");
}

uint32_t ParseWritableDirectoryHandles(const nlohmann::json& settings) {
    auto it = settings.find("writable-directory-handles");
    uint32_t writable = it == settings.end() ? 0
                                             : ParseNameBits(*it, kDirectoryHandleNames,
                                                             "invalid writable directory handles");
    if (JsonBoolOr(settings, "writable-program-folder", false))
        writable |= 1u;
    return writable;
}

uint32_t ParsePermissions(const nlohmann::json& settings) {
    auto it = settings.find("permissions");
    if (it == settings.end())
        return 0;
    const uint32_t named = ParseNameBits(*it, kPermissionNames, "invalid permissions");
    uint32_t kinds = 0;
    for (size_t i = 0; i < std::size(kPermissionKinds); ++i)
        if ((named >> i) & 1u)
            kinds |= 1u << kPermissionKinds[i];
    return kinds;
}
