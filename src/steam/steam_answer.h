#pragma once
// The host's answers to the page's "steam" messages and its Steam events, as
// JSON texts. Portable: the Steam library is reached through SteamClient.
#include <cstdint>
#include <string>

class SteamClient;

struct SteamAvailability {
    SteamClient* client = nullptr; // null while Steam is unavailable
    std::string reason;            // why it is unavailable
    uint32_t appId = 0;            // the manifest's; 0 without a "steam" key
};

// {"type":"steam-result","id":...,"call":...,"ok":...,"value":...,"error":...}
// for one message text; every text gets an answer and none throws. A call
// that is refused, or made while Steam is unavailable, reaches no library.
std::string AnswerSteamCall(const std::string& text, const SteamAvailability& steam);

// {"type":"steam-event","event":"overlay","active":...}
std::string SteamOverlayEvent(bool active);
