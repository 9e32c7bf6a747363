#pragma once
// What the page may ask of Steam, as one interface: the player's Steam client
// library behind it on Windows, a recording fake in the tests. Portable.
#include <cstdint>
#include <optional>
#include <string>

// The player as Steam knows them, for the "status" call.
struct SteamPlayer {
    uint64_t steamId = 0;
    std::string personaName;
    std::string language;
    bool steamDeck = false;
    bool overlayEnabled = false;
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
};
