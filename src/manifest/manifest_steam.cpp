// The "steam" key of package.json.
#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "manifest/manifest.h"
#include "manifest/manifest_rules.h"
#include "util/text/json_lookup.h"
#include "util/text/web_origin.h"

namespace {
// Steam's own pages: the store, the community and support.
const char* const kSteamHosts[] = {"store.steampowered.com", "steamcommunity.com",
                                   "help.steampowered.com"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A list of non-empty strings that pass `fits`, or the error.
std::vector<std::string> StringList(const nlohmann::json& list, const char* error,
                                    bool (*fits)(const std::string&)) {
    if (!list.is_array())
        throw std::runtime_error(error);
    std::vector<std::string> texts;
    for (const nlohmann::json& entry : list) {
        const std::string* text = entry.get_ptr<const std::string*>();
        if (!text || !fits(*text))
            throw std::runtime_error(error);
        texts.push_back(*text);
    }
    return texts;
}

bool IsHostName(const std::string& host) {
    return !host.empty() && host.find_first_of("/:@ ") == std::string::npos;
}

// A web API identity as Steam takes it: short printable text ("" for none).
bool IsIdentity(const std::string& identity) {
    return identity.size() <= 64 &&
           std::all_of(identity.begin(), identity.end(),
                       [](unsigned char c) { return c >= 0x20 && c != 0x7F; });
}

// Without a list, Steam's own pages and the remote page's host.
std::vector<std::string> DefaultOverlayHosts(const std::string& remoteMain) {
    std::vector<std::string> hosts(std::begin(kSteamHosts), std::end(kSteamHosts));
    const std::string origin = WebOriginOf(remoteMain);
    if (origin.compare(0, 8, "https://") == 0 && origin.size() > 8 && origin[8] != '[')
        hosts.push_back(origin.substr(8, origin.find(':', 8) - 8));
    return hosts;
}

SteamCloudAccess ParseCloud(const nlohmann::json& steam) {
    const std::string cloud = JsonStringOr(steam, "cloud", "read");
    if (steam.contains("cloud") && !steam["cloud"].is_string())
        throw std::runtime_error("invalid steam cloud");
    if (cloud == "read")
        return SteamCloudAccess::Read;
    if (cloud == "read-write")
        return SteamCloudAccess::ReadWrite;
    throw std::runtime_error("invalid steam cloud");
}
} // namespace

bool ParseSavesSteamCloud(const nlohmann::json& settings, const SteamSettings& steam) {
    auto it = settings.find("saves");
    if (it == settings.end())
        return false;
    if (!it->is_object())
        throw std::runtime_error("invalid saves");
    const bool mirror = StrictBool(*it, "steam-cloud", "invalid saves steam cloud");
    if (mirror && !steam.appId)
        throw std::runtime_error("invalid saves steam cloud");
    return mirror;
}

SteamSettings ParseSteam(const nlohmann::json& document, const std::string& remoteMain) {
    auto it = document.find("steam");
    if (it == document.end())
        return {};
    const nlohmann::json* appId =
        it->is_object() && it->contains("app-id") ? &(*it)["app-id"] : nullptr;
    if (!appId || !appId->is_number_integer() || *appId <= 0 || *appId > UINT32_MAX)
        throw std::runtime_error("invalid steam app id");
    SteamSettings steam;
    steam.appId = appId->get<uint32_t>();
    steam.restartThroughSteam = JsonBoolOr(*it, "restart-through-steam", false);
    steam.overlayHostsListed = it->contains("overlay-hosts");
    steam.overlayHosts =
        steam.overlayHostsListed
            ? StringList((*it)["overlay-hosts"], "invalid steam overlay hosts", IsHostName)
            : DefaultOverlayHosts(remoteMain);
    for (std::string& host : steam.overlayHosts)
        host = Lower(host);
    steam.cloud = ParseCloud(*it);
    steam.leaderboardsCreate =
        StrictBool(*it, "leaderboards-create", "invalid steam leaderboards create");
    if (it->contains("auth-identities"))
        steam.authIdentities =
            StringList((*it)["auth-identities"], "invalid steam auth identities", IsIdentity);
    return steam;
}
