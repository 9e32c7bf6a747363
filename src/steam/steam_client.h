#pragma once
// What the page may ask of Steam, as one interface: the player's Steam client
// library behind it on Windows, a recording fake in the tests. Portable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The player as Steam knows them, for the "status" call.
struct SteamPlayer {
    uint64_t steamId = 0;
    std::string personaName;
    std::string language;
    bool steamDeck = false;
    bool overlayEnabled = false;
};

// Steam Cloud as Steam says at the moment of asking.
struct SteamCloudState {
    bool enabledForAccount = false;
    bool enabledForApp = false;
    std::optional<uint64_t> totalBytes, availableBytes; // empty when Steam gives no quota
};

struct SteamCloudFile {
    std::string name;
    int32_t size = 0;
};

struct SteamLeaderboardEntry {
    uint64_t steamId = 0;
    int32_t rank = 0;
    int32_t score = 0;
    std::vector<int32_t> details;
};

// A rectangle on the screen, in pixels.
struct SteamScreenRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// Every argument has been checked before it gets here: names are non-empty,
// well-formed UTF-8 of at most 1,024 bytes, URLs are https.
class SteamClient {
public:
    virtual ~SteamClient() = default;

    virtual SteamPlayer Player() = 0;
    virtual bool SetAchievement(const std::string& name) = 0;
    virtual bool ClearAchievement(const std::string& name) = 0;
    // Empty when Steam does not know the achievement (or has no stats yet).
    virtual std::optional<bool> GetAchievement(const std::string& name) = 0;
    virtual bool SetStatInt(const std::string& name, int32_t value) = 0;
    virtual bool SetStatFloat(const std::string& name, float value) = 0;
    virtual std::optional<int32_t> GetStatInt(const std::string& name) = 0;
    virtual std::optional<float> GetStatFloat(const std::string& name) = 0;
    virtual bool StoreStats() = 0;
    virtual bool SetRichPresence(const std::string& key, const std::string& value) = 0;
    virtual bool IsDlcInstalled(uint32_t appId) = 0;
    virtual void ActivateOverlay(const std::string& dialog) = 0;
    virtual void ActivateOverlayToWebPage(const std::string& url) = 0;

    // Cloud files by one safe name; contents at most 100 MiB.
    virtual SteamCloudState CloudState() = 0;
    virtual bool CloudWrite(const std::string& file, const std::string& bytes) = 0;
    // Empty when Steam cannot read the whole file.
    virtual std::optional<std::string> CloudRead(const std::string& file) = 0;
    virtual bool CloudDelete(const std::string& file) = 0;
    virtual bool CloudExists(const std::string& file) = 0;
    // When the file was last written, in seconds since 1970; empty without it.
    virtual std::optional<int64_t> CloudTime(const std::string& file) = 0;
    virtual std::vector<SteamCloudFile> CloudFiles() = 0;

    // Asynchronous calls: the SteamAPICall_t whose result answers them, 0 when
    // Steam refuses to start one. Sort and display 0: find without creating.
    virtual uint64_t FindLeaderboard(const std::string& name, int32_t sort, int32_t display) = 0;
    virtual uint64_t UploadLeaderboardScore(uint64_t board, int32_t method, int32_t score,
                                            const std::vector<int32_t>& details) = 0;
    virtual uint64_t DownloadLeaderboardEntries(uint64_t board, int32_t range, int32_t start,
                                                int32_t end) = 0;
    // One entry of a download's result; empty when Steam has no such entry.
    virtual std::optional<SteamLeaderboardEntry> DownloadedLeaderboardEntry(uint64_t entries,
                                                                            int32_t index) = 0;
    // Empty when Steam does not know the player's name yet.
    virtual std::optional<std::string> PersonaNameOf(uint64_t steamId) = 0;
    // The ticket's handle (its bytes come in a callback), 0 when refused.
    virtual uint32_t RequestWebApiTicket(const std::string& identity) = 0;

    // On a Steam Deck or in Big Picture, where text fields need Steam's keyboard.
    virtual bool NeedsFloatingKeyboard() = 0;
    // Mode: Steam's EFloatingGamepadTextInputMode; field: what the keyboard
    // keeps clear of. False when Steam refuses.
    virtual bool ShowFloatingKeyboard(int32_t mode, const SteamScreenRect& field) = 0;
};
