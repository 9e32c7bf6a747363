#pragma once
// The steam_api64.dll exports the host calls, as the library resolves them.
#include <cstdint>

#include "steam/steam_library.h"
#include "steam/steam_results.h"

// Steam's CallbackMsg_t.
struct SteamCallbackMessage {
    int32_t user;
    int32_t id;
    uint8_t* data;
    int32_t size;
};
static_assert(sizeof(SteamCallbackMessage) == 24, "laid out as the library fills it");

// A library that keeps handing out callbacks must not hold the UI thread.
inline constexpr int kMostCallbacksPerFrame = 256;
inline constexpr size_t kSteamErrorMessageSize = 1024;

struct SteamCloudExports {
    void* (*accessor)() = nullptr;
    bool (*write)(void*, const char*, const void*, int32_t) = nullptr;
    int32_t (*read)(void*, const char*, void*, int32_t) = nullptr;
    int32_t (*size)(void*, const char*) = nullptr;
    bool (*remove)(void*, const char*) = nullptr;
    bool (*exists)(void*, const char*) = nullptr;
    int64_t (*timestamp)(void*, const char*) = nullptr;
    int32_t (*count)(void*) = nullptr;
    const char* (*nameAndSize)(void*, int32_t, int32_t*) = nullptr;
    bool (*quota)(void*, uint64_t*, uint64_t*) = nullptr;
    bool (*enabledForAccount)(void*) = nullptr;
    bool (*enabledForApp)(void*) = nullptr;
};

// Calls answered by call results or callbacks, and what fetches them.
struct SteamAsyncExports {
    bool (*callResult)(int32_t, uint64_t, void*, int32_t, int32_t, bool*) = nullptr;
    uint64_t (*findLeaderboard)(void*, const char*) = nullptr;
    uint64_t (*findOrCreateLeaderboard)(void*, const char*, int32_t, int32_t) = nullptr;
    uint64_t (*uploadScore)(void*, uint64_t, int32_t, int32_t, const int32_t*, int32_t) = nullptr;
    uint64_t (*downloadEntries)(void*, uint64_t, int32_t, int32_t, int32_t) = nullptr;
    bool (*downloadedEntry)(void*, uint64_t, int32_t, LeaderboardEntryLayout*, int32_t*,
                            int32_t) = nullptr;
    const char* (*friendPersonaName)(void*, uint64_t) = nullptr;
    uint32_t (*webApiTicket)(void*, const char*) = nullptr;
    void (*cancelTicket)(void*, uint32_t) = nullptr;
};

struct SteamLibrary::Exports {
    bool (*restartAppIfNecessary)(uint32_t) = nullptr;
    int (*initFlat)(char (*)[kSteamErrorMessageSize]) = nullptr; // newer libraries
    bool (*initSafe)() = nullptr;                                // older ones
    void (*shutdown)() = nullptr;
    int32_t (*pipe)() = nullptr;
    void (*dispatchInit)() = nullptr;
    void (*runFrame)(int32_t) = nullptr;
    bool (*nextCallback)(int32_t, SteamCallbackMessage*) = nullptr;
    void (*freeLastCallback)(int32_t) = nullptr;
    void* (*userStatsAccessor)() = nullptr;
    void* (*friendsAccessor)() = nullptr;
    void* (*utilsAccessor)() = nullptr;
    void* (*appsAccessor)() = nullptr;
    void* (*userAccessor)() = nullptr;
    bool (*setAchievement)(void*, const char*) = nullptr;
    bool (*clearAchievement)(void*, const char*) = nullptr;
    bool (*getAchievement)(void*, const char*, bool*) = nullptr;
    bool (*setStatInt)(void*, const char*, int32_t) = nullptr;
    bool (*setStatFloat)(void*, const char*, float) = nullptr;
    bool (*getStatInt)(void*, const char*, int32_t*) = nullptr;
    bool (*getStatFloat)(void*, const char*, float*) = nullptr;
    bool (*storeStats)(void*) = nullptr;
    bool (*requestCurrentStats)(void*) = nullptr; // gone from newer libraries
    const char* (*personaName)(void*) = nullptr;
    bool (*setRichPresence)(void*, const char*, const char*) = nullptr;
    void (*activateOverlay)(void*, const char*) = nullptr;
    void (*activateOverlayToWebPage)(void*, const char*, int32_t) = nullptr;
    bool (*steamDeck)(void*) = nullptr;
    bool (*overlayEnabled)(void*) = nullptr;
    void* (*screenshotsAccessor)() = nullptr;
    void (*triggerScreenshot)(void*) = nullptr;
    void (*hookScreenshots)(void*, bool) = nullptr;
    uint32_t (*writeScreenshot)(void*, void*, uint32_t, int32_t, int32_t) = nullptr;
    bool (*dlcInstalled)(void*, uint32_t) = nullptr;
    const char* (*language)(void*) = nullptr;
    uint64_t (*steamId)(void*) = nullptr;
    SteamCloudExports cloud;
    SteamAsyncExports async;
};

