#pragma once
// The host's answers to the page's "steam" messages and its Steam events, as
// JSON texts. Portable: the Steam library is reached through SteamClient.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "manifest/manifest.h"
#include "steam/steam_deck.h"
#include "steam/steam_families.h"
#include "steam/steam_results.h"

class SteamClient;

struct SteamAvailability {
    SteamClient* client = nullptr; // null while Steam is unavailable
    std::string reason;            // why it is unavailable
    // The manifest's "steam" key: the app id (0 without the key) and the
    // powers the author grants the page.
    const SteamSettings* settings = nullptr;
    size_t callsWaiting = 0; // asynchronous calls not yet answered
    SteamFamilies families;  // what the library offers, once it is loaded
    // Where the page is on the screen, for "show-text-input" (else the top left).
    std::function<SteamPageOnScreen()> locatePage = nullptr;
};

// The answer to one message: its text now, or what to wait for.
struct SteamReply {
    std::string answer;
    std::optional<SteamWait> wait;
};

// {"type":"steam-result","id":...,"call":...,"ok":...,"value":...,"error":...}
// for one parsed message; every message gets an answer and none throws. A
// call that is refused, not granted, or made while Steam is unavailable
// reaches no library; without a "steam" key no field but the call's name is
// read. A call of a family the library lacks answers the export it misses.
// An asynchronous call Steam started is answered later, from its result.
SteamReply AnswerSteamCall(const nlohmann::json& message, const SteamAvailability& steam);

// {"type":"steam-event","event":"overlay","active":...}
std::string SteamOverlayEvent(bool active);
