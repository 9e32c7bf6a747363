#include "steam/steam_answer.h"

#include <nlohmann/json.hpp>

#include "steam/steam_call.h"
#include "steam/steam_client.h"

namespace {
using Kind = SteamCall::Kind;

struct Outcome {
    bool ok = true;
    nlohmann::json value;
    std::string error;
};

Outcome Failed(std::string error) {
    return {false, nullptr, std::move(error)};
}

// Steam answers false when it refuses: an unknown name, stats not yet
// received, a text over its own limits.
Outcome Accepted(bool accepted, const SteamCall& call) {
    if (accepted)
        return {};
    return Failed("Steam refused " + call.call.get<std::string>());
}

template <typename T> Outcome Known(const std::optional<T>& value, const char* what) {
    if (!value)
        return Failed(std::string("Steam does not know this ") + what);
    return {true, *value, {}};
}

nlohmann::json StatusValue(const SteamAvailability& steam) {
    nlohmann::json status = {
        {"available", steam.client != nullptr},
        {"reason", steam.client ? nlohmann::json() : nlohmann::json(steam.reason)},
        {"appId", steam.appId ? nlohmann::json(steam.appId) : nullptr},
        {"steamId", nullptr},
        {"personaName", nullptr},
        {"language", nullptr},
        {"steamDeck", false},
        {"overlayEnabled", false}};
    if (!steam.client)
        return status;
    const SteamPlayer player = steam.client->Player();
    // Decimal text: a 64-bit id does not survive a JavaScript number.
    status["steamId"] = std::to_string(player.steamId);
    status["personaName"] = player.personaName;
    status["language"] = player.language;
    status["steamDeck"] = player.steamDeck;
    status["overlayEnabled"] = player.overlayEnabled;
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
        return {true, client.IsDlcInstalled(call.appId), {}};
    case Kind::ActivateOverlay:
        client.ActivateOverlay(call.text);
        return {};
    case Kind::ActivateOverlayToWebPage:
        client.ActivateOverlayToWebPage(call.text);
        return {};
    case Kind::Status:
    case Kind::Refused:
        break;
    }
    return Failed("unknown call");
}

Outcome Answer(const SteamCall& call, const SteamAvailability& steam) {
    if (call.kind == Kind::Refused)
        return Failed(call.error);
    if (call.kind == Kind::Status)
        return {true, StatusValue(steam), {}};
    if (!steam.client)
        return Failed(steam.reason);
    return CallSteam(call, *steam.client);
}

// Bytes that are not UTF-8 (a library's message) are written as U+FFFD.
std::string Dump(const nlohmann::json& message) {
    return message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
} // namespace

std::string AnswerSteamCall(const std::string& text, const SteamAvailability& steam) {
    const nlohmann::json message = nlohmann::json::parse(text, nullptr, false);
    SteamCall call;
    if (message.is_discarded())
        call.error = "a steam message must be JSON";
    else
        call = ParseSteamCall(message);
    const Outcome outcome = Answer(call, steam);
    return Dump({{"type", "steam-result"},
                 {"id", call.id},
                 {"call", call.call},
                 {"ok", outcome.ok},
                 {"value", outcome.value},
                 {"error", outcome.ok ? nlohmann::json() : nlohmann::json(outcome.error)}});
}

std::string SteamOverlayEvent(bool active) {
    return Dump({{"type", "steam-event"}, {"event", "overlay"}, {"active", active}});
}
