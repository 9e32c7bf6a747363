#include "steam/steam_answer.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "steam/steam_bytes.h"
#include "steam/steam_call.h"
#include "steam/steam_client.h"
#include "steam/steam_deck.h"

namespace {
using Kind = SteamCall::Kind;

struct Outcome {
    bool ok = true;
    nlohmann::json value;
    std::string error;
    std::optional<SteamWait> wait;
};

Outcome Failed(std::string error) {
    return {false, nullptr, std::move(error), {}};
}

// Steam answers false when it refuses: an unknown name, stats not yet
// received, a text over its own limits.
Outcome Accepted(bool accepted, const SteamCall& call) {
    if (accepted)
        return {};
    return Failed("Steam refused " + call.call.get<std::string>());
}

Outcome Done(std::string error) {
    return error.empty() ? Outcome{} : Failed(std::move(error));
}

template <typename T> Outcome Known(const std::optional<T>& value, const char* what) {
    if (!value)
        return Failed(std::string("Steam does not know this ") + what);
    return {true, *value, {}, {}};
}

nlohmann::json CloudEnabled(const SteamCloudState& cloud) {
    return {{"enabledForAccount", cloud.enabledForAccount},
            {"enabledForApp", cloud.enabledForApp}};
}

nlohmann::json CloudStatusValue(const SteamCloudState& cloud) {
    nlohmann::json value = CloudEnabled(cloud);
    value["totalBytes"] = cloud.totalBytes ? nlohmann::json(*cloud.totalBytes) : nullptr;
    value["availableBytes"] = cloud.availableBytes ? nlohmann::json(*cloud.availableBytes) : nullptr;
    return value;
}

Outcome CloudRead(const SteamCall& call, SteamClient& client) {
    if (!client.CloudExists(call.text))
        return Failed("Steam Cloud has no file " + call.text);
    const std::optional<std::string> bytes = client.CloudRead(call.text);
    if (!bytes)
        return Failed("Steam could not read " + call.text);
    if (call.asBase64)
        return {true, EncodeBase64(*bytes), {}, {}};
    if (!IsWellFormedUtf8(*bytes))
        return Failed(call.text + " is not UTF-8 text: read it with \"as\": \"base64\"");
    return {true, *bytes, {}, {}};
}

nlohmann::json CloudList(SteamClient& client) {
    nlohmann::json files = nlohmann::json::array();
    for (const SteamCloudFile& file : client.CloudFiles())
        files.push_back({{"name", file.name}, {"size", file.size}});
    return files;
}

Outcome CallCloud(const SteamCall& call, SteamClient& client) {
    switch (call.kind) {
    case Kind::CloudStatus:
        return {true, CloudStatusValue(client.CloudState()), {}, {}};
    case Kind::CloudWrite:
        return Accepted(client.CloudWrite(call.text, call.value), call);
    case Kind::CloudRead:
        return CloudRead(call, client);
    case Kind::CloudDelete:
        return Accepted(client.CloudDelete(call.text), call);
    case Kind::CloudExists:
        return {true, client.CloudExists(call.text), {}, {}};
    default:
        return {true, CloudList(client), {}, {}};
    }
}

// Starts the call; its answer comes with the handle's result.
Outcome StartAsynchronous(const SteamCall& call, SteamClient& client) {
    SteamWait wait{SteamWait::For::CallResult, 0, call.kind, call.id, call.call};
    switch (call.kind) {
    case Kind::LeaderboardFind:
        wait.handle = client.FindLeaderboard(call.text, call.sort, call.display);
        break;
    case Kind::LeaderboardUpload:
        wait.handle = client.UploadLeaderboardScore(call.board, call.method, call.score,
                                                    call.details);
        break;
    case Kind::LeaderboardEntries:
        wait.handle = client.DownloadLeaderboardEntries(call.board, call.range, call.start,
                                                        call.end);
        break;
    default:
        wait.what = SteamWait::For::Ticket;
        wait.handle = client.RequestWebApiTicket(call.text);
        break;
    }
    if (!wait.handle)
        return Failed("Steam refused " + call.call.get<std::string>());
    return {true, nullptr, {}, std::move(wait)};
}

const SteamSettings& SettingsOf(const SteamAvailability& steam) {
    static const SteamSettings kNoKey;
    return steam.settings ? *steam.settings : kNoKey;
}

// What the author did not grant the page: why the call is refused, or empty.
std::string NotGranted(const SteamCall& call, const SteamSettings& settings) {
    const bool writes = call.kind == Kind::CloudWrite || call.kind == Kind::CloudDelete;
    if (writes && settings.cloud != SteamCloudAccess::ReadWrite)
        return "not enabled: package.json's \"steam\" has no \"cloud\": \"read-write\"";
    const auto& identities = settings.authIdentities;
    if (call.kind == Kind::AuthTicket &&
        std::find(identities.begin(), identities.end(), call.text) == identities.end())
        return "\"identity\" is not listed in \"auth-identities\"";
    if (call.kind == Kind::ActivateOverlayToWebPage &&
        !IsOverlayHostAllowed(call.text, settings.overlayHosts))
        return settings.overlayHostsListed
                   ? "\"url\" is not on a host listed in \"overlay-hosts\""
                   : "\"url\" is not a page of Steam or of this game: list its host in "
                     "\"overlay-hosts\"";
    return {};
}

nlohmann::json StatusValue(const SteamAvailability& steam) {
    nlohmann::json status = {
        {"available", steam.client != nullptr},
        {"reason", steam.client ? nlohmann::json() : nlohmann::json(steam.reason)},
        {"appId", SettingsOf(steam).appId ? nlohmann::json(SettingsOf(steam).appId) : nullptr},
        {"steamId", nullptr},
        {"personaName", nullptr},
        {"language", nullptr},
        {"steamDeck", false},
        {"overlayEnabled", false},
        {"cloud", CloudEnabled({})},
        {"families", steam.families.Names()}};
    if (!steam.client)
        return status;
    const SteamPlayer player = steam.client->Player();
    // Decimal text: a 64-bit id does not survive a JavaScript number.
    status["steamId"] = std::to_string(player.steamId);
    status["personaName"] = player.personaName;
    status["language"] = player.language;
    status["steamDeck"] = player.steamDeck;
    status["overlayEnabled"] = player.overlayEnabled;
    // Asked each time: the player may turn the cloud off while the game runs.
    if (steam.families.Has(SteamFamily::Cloud))
        status["cloud"] = CloudEnabled(steam.client->CloudState());
    return status;
}

Outcome CallSteam(const SteamCall& call, SteamClient& client) {
    switch (call.kind) {
    case Kind::SetAchievement:
        return Accepted(client.SetAchievement(call.text), call);
    case Kind::ClearAchievement:
        return Accepted(client.ClearAchievement(call.text), call);
    case Kind::GetAchievement:
        return Known(client.GetAchievement(call.text), "achievement");
    case Kind::SetStat:
        return Accepted(call.floatStat ? client.SetStatFloat(call.text, call.floatValue)
                                       : client.SetStatInt(call.text, call.intValue),
                        call);
    case Kind::GetStat:
        return call.floatStat ? Known(client.GetStatFloat(call.text), "stat")
                              : Known(client.GetStatInt(call.text), "stat");
    case Kind::StoreStats:
        return Accepted(client.StoreStats(), call);
    case Kind::SetRichPresence:
        return Accepted(client.SetRichPresence(call.text, call.value), call);
    case Kind::IsDlcInstalled:
        return {true, client.IsDlcInstalled(call.appId), {}, {}};
    case Kind::ActivateOverlay:
        client.ActivateOverlay(call.text);
        return {};
    case Kind::ActivateOverlayToWebPage:
        client.ActivateOverlayToWebPage(call.text);
        return {};
    default:
        break;
    }
    if (IsCloudCall(call.kind))
        return CallCloud(call, client);
    if (IsAsynchronous(call.kind))
        return StartAsynchronous(call, client);
    return Failed("unknown call");
}

Outcome Answer(const SteamCall& call, const SteamAvailability& steam) {
    if (call.kind == Kind::Refused)
        return Failed(call.error);
    if (call.kind == Kind::Status)
        return {true, StatusValue(steam), {}, {}};
    if (!SettingsOf(steam).appId)
        return Failed(steam.reason);
    if (std::string refusal = NotGranted(call, SettingsOf(steam)); !refusal.empty())
        return Failed(std::move(refusal));
    if (!steam.client)
        return Failed(steam.reason);
    if (const SteamFamily family = FamilyOf(call.kind); !steam.families.Has(family))
        return Failed(steam.families.Unavailable(family));
    if (IsAsynchronous(call.kind) && steam.callsWaiting >= SteamWaits::kMostWaiting)
        return Failed("too many calls are waiting for Steam");
    if (call.kind == Kind::ShowTextInput)
        return Done(ShowTextInput(call, *steam.client,
                                  steam.locatePage ? steam.locatePage() : SteamPageOnScreen{}));
    return CallSteam(call, *steam.client);
}
} // namespace

SteamReply AnswerSteamCall(const nlohmann::json& message, const SteamAvailability& steam) {
    SteamCall call =
        SettingsOf(steam).appId ? ParseSteamCall(message) : ParseSteamCallName(message);
    // Without "leaderboards-create" a board is only ever found.
    if (call.kind == Kind::LeaderboardFind && !SettingsOf(steam).leaderboardsCreate)
        call.sort = call.display = 0;
    Outcome outcome = Answer(call, steam);
    if (outcome.wait)
        return {{}, std::move(outcome.wait)};
    return {SteamResultText(call.id, call.call, outcome.ok, outcome.value, outcome.error), {}};
}

std::string SteamOverlayEvent(bool active) {
    return nlohmann::json{{"type", "steam-event"}, {"event", "overlay"}, {"active", active}}.dump();
}
