#pragma once
// One "steam" message from the page, read and checked: page script is untrusted,
// so nothing reaches the Steam library that is not the right shape. Portable.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

// Longest name, key, value, dialog or URL handed to Steam, in bytes.
inline constexpr size_t kSteamTextLimit = 1024;

// Deepest nesting of arrays and objects in an id the answer echoes.
inline constexpr size_t kSteamIdDepthLimit = 32;

struct SteamCall {
    enum class Kind {
        Refused, // error says why; nothing may be called
        Status,
        SetAchievement,
        ClearAchievement,
        GetAchievement,
        SetStat,
        GetStat,
        StoreStats,
        SetRichPresence,
        IsDlcInstalled,
        ActivateOverlay,
        ActivateOverlayToWebPage,
    };
    Kind kind = Kind::Refused;
    nlohmann::json id;   // echoed as given (null when missing)
    nlohmann::json call; // the call's name as given, echoed
    std::string error;
    // name, key, dialog or url; value of set-rich-presence.
    std::string text;
    std::string value;
    bool floatStat = false;
    int32_t intValue = 0;
    float floatValue = 0;
    uint32_t appId = 0;
};

// Reads one message already parsed as JSON; never throws.
SteamCall ParseSteamCall(const nlohmann::json& message);

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates
// or code points beyond U+10FFFF.
bool IsWellFormedUtf8(const std::string& text);
