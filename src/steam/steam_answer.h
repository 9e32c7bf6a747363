#pragma once
// The host's answers to the page's "steam" messages and its Steam events, as
// JSON texts. Portable: the Steam library is reached through SteamClient.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "steam/steam_results.h"

class SteamClient;

struct SteamAvailability {
    SteamClient* client = nullptr; // null while Steam is unavailable
    std::string reason;            // why it is unavailable
    uint32_t appId = 0;            // the manifest's; 0 without a "steam" key
    // The hosts the overlay may show pages of; null: any https page.
    const std::vector<std::string>* overlayHosts = nullptr;
    size_t callsWaiting = 0; // asynchronous calls not yet answered
};

// The answer to one message: its text now, or what to wait for.
struct SteamReply {
    std::string answer;
    std::optional<SteamWait> wait;
};

// {"type":"steam-result","id":...,"call":...,"ok":...,"value":...,"error":...}
// for one message text; every text gets an answer and none throws. A call
// that is refused, or made while Steam is unavailable, reaches no library.
// An asynchronous call Steam started is answered later, from its result.
SteamReply AnswerSteamCall(const std::string& text, const SteamAvailability& steam);

// {"type":"steam-event","event":"overlay","active":...}
std::string SteamOverlayEvent(bool active);
