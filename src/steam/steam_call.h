#pragma once
// One "steam" message from the page, read and checked: page script is untrusted,
// so nothing reaches the Steam library that is not the right shape. Portable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Longest name, key, value, dialog or URL handed to Steam, in bytes.
inline constexpr size_t kSteamTextLimit = 1024;

// A cloud file's contents, as Steam's FileWrite takes them at most.
inline constexpr size_t kSteamCloudFileLimit = 100 * 1024 * 1024;
// The web API ticket's identity, and the details of one leaderboard entry.
inline constexpr size_t kSteamIdentityLimit = 64;
inline constexpr size_t kSteamScoreDetailsLimit = 64;
// The most entries one "leaderboard-entries" call asks for.
inline constexpr int32_t kSteamLeaderboardEntriesLimit = 1000;

// The longest string id the answer echoes; a number is echoed as it is.
inline constexpr size_t kSteamIdLimit = 256;

// A rectangle of the page in CSS pixels, and the device pixel ratio that
// turns them into the screen's.
struct SteamPageRect {
    double x = 0, y = 0, width = 0, height = 0;
    double devicePixelRatio = 1;
};

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
        CloudStatus, // the cloud's calls stay together, to CloudList
        CloudWrite,
        CloudRead,
        CloudDelete,
        CloudExists,
        CloudList,
        // Answered later, when Steam's result comes back.
        LeaderboardFind,
        LeaderboardUpload,
        LeaderboardEntries,
        AuthTicket,
        ShowTextInput,
    };
    Kind kind = Kind::Refused;
    nlohmann::json id;   // a number or short string echoed as given (null when missing)
    nlohmann::json call; // the call's name as given, echoed (null unless a string)
    std::string error;
    // name, key, dialog, url, cloud file, leaderboard name or ticket identity;
    // value of set-rich-presence, contents of cloud-write (as bytes).
    std::string text;
    std::string value;
    bool asBase64 = false; // cloud-read
    bool floatStat = false;
    int32_t intValue = 0;
    float floatValue = 0;
    uint32_t appId = 0;
    // Leaderboards, with Steam's own numbers for the words: sort and display
    // (0 and 0: find only), upload method, entries range.
    uint64_t board = 0;
    int32_t sort = 0, display = 0, method = 0, range = 0, start = 0, end = 0;
    int32_t score = 0;
    std::vector<int32_t> details;
    // show-text-input: Steam's keyboard mode and the field it keeps clear of.
    int32_t keyboardMode = 0;
    std::optional<SteamPageRect> field;
};

// Answered once Steam's result comes back, not at once.
bool IsAsynchronous(SteamCall::Kind kind);
// "cloud-status" to "cloud-list".
bool IsCloudCall(SteamCall::Kind kind);

// Reads one message already parsed as JSON; never throws. No field is copied
// before it is checked.
SteamCall ParseSteamCall(const nlohmann::json& message);
// Only the id and the call's name: what an application without Steam reads.
SteamCall ParseSteamCallName(const nlohmann::json& message);

// One file name of Steam Cloud: a single safe path component (no separator,
// not "." or "..", nothing Windows reads otherwise) under 260 bytes, UTF-8.
bool IsSafeCloudFileName(const std::string& name);

// The overlay may open url: an https page on one of the hosts (lower case).
bool IsOverlayHostAllowed(const std::string& url, const std::vector<std::string>& hosts);

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates
// or code points beyond U+10FFFF.
bool IsWellFormedUtf8(const std::string& text);
