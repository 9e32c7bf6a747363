#include "steam/steam_library.h"

#include <cstring>
#include <string_view>

#include "steam/steam_exports.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
// Resolves exports by the newest of their names in the family table, each by
// the newest the library has; remembers a name the table lacks.
class ExportFinder {
public:
    explicit ExportFinder(HMODULE module) : module_(module) {}

    template <typename Function> void Optional(Function& function, const char* name) {
        function =
            reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    template <typename Function> void Listed(Function& function, std::string_view newest) {
        const SteamExportNames* names = SteamExportByNewest(newest);
        if (!names) {
            unlisted_ = newest;
            return;
        }
        for (const std::string_view name : *names) {
            Optional(function, std::string(name).c_str());
            if (function)
                return;
        }
    }
    std::string_view Unlisted() const { return unlisted_; }

private:
    HMODULE module_;
    std::string_view unlisted_;
};

void FindLifeCycle(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Listed(e.restartAppIfNecessary, "SteamAPI_RestartAppIfNecessary");
    // Newer libraries have InitFlat; the core needs one of the two.
    find.Optional(e.initFlat, "SteamAPI_InitFlat");
    find.Optional(e.initSafe, "SteamAPI_InitSafe");
    find.Listed(e.shutdown, "SteamAPI_Shutdown");
    find.Listed(e.pipe, "SteamAPI_GetHSteamPipe");
    find.Listed(e.dispatchInit, "SteamAPI_ManualDispatch_Init");
    find.Listed(e.runFrame, "SteamAPI_ManualDispatch_RunFrame");
    find.Listed(e.nextCallback, "SteamAPI_ManualDispatch_GetNextCallback");
    find.Listed(e.freeLastCallback, "SteamAPI_ManualDispatch_FreeLastCallback");
}

void FindAccessors(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Listed(e.userStatsAccessor, "SteamAPI_SteamUserStats_v013");
    find.Listed(e.friendsAccessor, "SteamAPI_SteamFriends_v018");
    find.Listed(e.utilsAccessor, "SteamAPI_SteamUtils_v010");
    find.Listed(e.appsAccessor, "SteamAPI_SteamApps_v009");
    find.Listed(e.userAccessor, "SteamAPI_SteamUser_v023");
}

void FindUserStats(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Listed(e.setAchievement, "SteamAPI_ISteamUserStats_SetAchievement");
    find.Listed(e.clearAchievement, "SteamAPI_ISteamUserStats_ClearAchievement");
    find.Listed(e.getAchievement, "SteamAPI_ISteamUserStats_GetAchievement");
    find.Listed(e.setStatInt, "SteamAPI_ISteamUserStats_SetStatInt32");
    find.Listed(e.setStatFloat, "SteamAPI_ISteamUserStats_SetStatFloat");
    find.Listed(e.getStatInt, "SteamAPI_ISteamUserStats_GetStatInt32");
    find.Listed(e.getStatFloat, "SteamAPI_ISteamUserStats_GetStatFloat");
    find.Listed(e.storeStats, "SteamAPI_ISteamUserStats_StoreStats");
    find.Optional(e.requestCurrentStats, "SteamAPI_ISteamUserStats_RequestCurrentStats");
}

void FindOthers(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Listed(e.personaName, "SteamAPI_ISteamFriends_GetPersonaName");
    find.Listed(e.setRichPresence, "SteamAPI_ISteamFriends_SetRichPresence");
    find.Listed(e.activateOverlay, "SteamAPI_ISteamFriends_ActivateGameOverlay");
    find.Listed(e.activateOverlayToWebPage, "SteamAPI_ISteamFriends_ActivateGameOverlayToWebPage");
    find.Listed(e.steamDeck, "SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck");
    find.Listed(e.overlayEnabled, "SteamAPI_ISteamUtils_IsOverlayEnabled");
    find.Listed(e.screenshotsAccessor, "SteamAPI_SteamScreenshots_v003");
    find.Listed(e.triggerScreenshot, "SteamAPI_ISteamScreenshots_TriggerScreenshot");
    find.Listed(e.hookScreenshots, "SteamAPI_ISteamScreenshots_HookScreenshots");
    find.Listed(e.writeScreenshot, "SteamAPI_ISteamScreenshots_WriteScreenshot");
    find.Listed(e.dlcInstalled, "SteamAPI_ISteamApps_BIsDlcInstalled");
    find.Listed(e.language, "SteamAPI_ISteamApps_GetCurrentGameLanguage");
    find.Listed(e.steamId, "SteamAPI_ISteamUser_GetSteamID");
}

void FindCloud(ExportFinder& find, SteamCloudExports& e) {
    find.Listed(e.accessor, "SteamAPI_SteamRemoteStorage_v016");
    find.Listed(e.write, "SteamAPI_ISteamRemoteStorage_FileWrite");
    find.Listed(e.read, "SteamAPI_ISteamRemoteStorage_FileRead");
    find.Listed(e.size, "SteamAPI_ISteamRemoteStorage_GetFileSize");
    find.Listed(e.remove, "SteamAPI_ISteamRemoteStorage_FileDelete");
    find.Listed(e.exists, "SteamAPI_ISteamRemoteStorage_FileExists");
    find.Listed(e.timestamp, "SteamAPI_ISteamRemoteStorage_GetFileTimestamp");
    find.Listed(e.count, "SteamAPI_ISteamRemoteStorage_GetFileCount");
    find.Listed(e.nameAndSize, "SteamAPI_ISteamRemoteStorage_GetFileNameAndSize");
    find.Listed(e.quota, "SteamAPI_ISteamRemoteStorage_GetQuota");
    find.Listed(e.enabledForAccount, "SteamAPI_ISteamRemoteStorage_IsCloudEnabledForAccount");
    find.Listed(e.enabledForApp, "SteamAPI_ISteamRemoteStorage_IsCloudEnabledForApp");
}

void FindAsync(ExportFinder& find, SteamAsyncExports& e) {
    find.Listed(e.callResult, "SteamAPI_ManualDispatch_GetAPICallResult");
    find.Listed(e.findLeaderboard, "SteamAPI_ISteamUserStats_FindLeaderboard");
    find.Listed(e.findOrCreateLeaderboard, "SteamAPI_ISteamUserStats_FindOrCreateLeaderboard");
    find.Listed(e.uploadScore, "SteamAPI_ISteamUserStats_UploadLeaderboardScore");
    find.Listed(e.downloadEntries, "SteamAPI_ISteamUserStats_DownloadLeaderboardEntries");
    find.Listed(e.downloadedEntry, "SteamAPI_ISteamUserStats_GetDownloadedLeaderboardEntry");
    find.Listed(e.friendPersonaName, "SteamAPI_ISteamFriends_GetFriendPersonaName");
    find.Listed(e.webApiTicket, "SteamAPI_ISteamUser_GetAuthTicketForWebApi");
    find.Listed(e.cancelTicket, "SteamAPI_ISteamUser_CancelAuthTicket");
}

std::string TextOr(const char* text) {
    return text ? text : "";
}
} // namespace

SteamLibrary::SteamLibrary(const std::string& applicationFolder)
    : exports_(std::make_unique<Exports>()) {
    Load(applicationFolder);
}

SteamLibrary::~SteamLibrary() {
    // After the browser is gone: start-up ends this after the web view host.
    if (!initialised_)
        return;
    // No ticket the game handed out outlives its run.
    for (const uint32_t ticket : tickets_)
        exports_->async.cancelTicket(interfaces_.user, ticket);
    exports_->shutdown();
}

void SteamLibrary::Load(const std::string& applicationFolder) {
    // By full path, and its own imports from its folder and System32 only:
    // never the current directory or PATH.
    const std::wstring path = ToLongPath(Utf8ToWide(applicationFolder + kSteamLibraryName));
    module_.reset(LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!module_) {
        const DWORD error = GetLastError();
        loadFailure_ = error == ERROR_MOD_NOT_FOUND
                           ? std::string(kSteamLibraryName) + " is not in the program's folder"
                           : std::string(kSteamLibraryName) + " could not be loaded (error " +
                                 std::to_string(error) + ")";
        return;
    }
    HMODULE module = module_.get();
    families_ = SteamFamilies([module](std::string_view name) {
        return GetProcAddress(module, std::string(name).c_str()) != nullptr;
    });
    ExportFinder find(module);
    FindLifeCycle(find, *exports_);
    FindAccessors(find, *exports_);
    FindUserStats(find, *exports_);
    FindOthers(find, *exports_);
    FindCloud(find, exports_->cloud);
    FindAsync(find, exports_->async);
    if (!find.Unlisted().empty())
        loadFailure_ = "the host calls " + std::string(find.Unlisted()) + ", which no family lists";
    else if (!families_.Has(SteamFamily::Core))
        loadFailure_ = families_.Unavailable(SteamFamily::Core);
}

bool SteamLibrary::RestartAppIfNecessary(uint32_t appId) {
    return exports_->restartAppIfNecessary(appId);
}

std::string SteamLibrary::Init() {
    std::string failure = InitApi();
    if (!failure.empty())
        return failure;
    initialised_ = true;
    exports_->dispatchInit();
    pipe_ = exports_->pipe();
    failure = FindInterfaces();
    // Older libraries hand out no stats until they are asked for them.
    if (failure.empty() && interfaces_.userStats && exports_->requestCurrentStats)
        exports_->requestCurrentStats(interfaces_.userStats);
    return failure;
}

std::string SteamLibrary::InitApi() {
    if (!exports_->initFlat) {
        if (exports_->initSafe())
            return {};
        return "SteamAPI_InitSafe failed (is the Steam client running?)";
    }
    char message[kSteamErrorMessageSize] = {};
    const int result = exports_->initFlat(&message);
    if (result == 0)
        return {};
    // The library's message may lack its terminator: never read past the buffer.
    std::string text(message, strnlen(message, sizeof(message)));
    return text.empty() ? "SteamAPI_InitFlat failed with result " + std::to_string(result) : text;
}

std::string SteamLibrary::FindInterfaces() {
    using F = SteamFamily;
    bool given = true;
    // Only the interfaces of the families the library has; each must be given.
    const auto take = [&](void*& slot, void* (*accessor)(), bool needed) {
        slot = needed ? accessor() : nullptr;
        given = given && (!needed || slot);
    };
    const SteamFamilies& has = families_;
    take(interfaces_.user, exports_->userAccessor, true);
    take(interfaces_.userStats, exports_->userStatsAccessor,
         has.Has(F::Stats) || has.Has(F::Leaderboards));
    take(interfaces_.friends, exports_->friendsAccessor,
         has.Has(F::Friends) || has.Has(F::Leaderboards));
    take(interfaces_.utils, exports_->utilsAccessor, has.Has(F::Utils));
    take(interfaces_.apps, exports_->appsAccessor, has.Has(F::Apps));
    take(interfaces_.remoteStorage, exports_->cloud.accessor, has.Has(F::Cloud));
    take(interfaces_.screenshots, exports_->screenshotsAccessor, has.Has(F::Screenshots));
    return given ? std::string() : "Steam gave no interface for this library's version";
}

void SteamLibrary::DispatchCallbacks(const CallbackHandler& handle) {
    exports_->runFrame(pipe_);
    SteamCallbackMessage message = {};
    for (int taken = 0; taken < kMostCallbacksPerFrame && exports_->nextCallback(pipe_, &message);
         ++taken) {
        handle(message.id, message.data, message.size);
        exports_->freeLastCallback(pipe_);
    }
}

SteamPlayer SteamLibrary::Player() {
    const Exports& e = *exports_;
    SteamPlayer player{e.steamId(interfaces_.user), {}, {}, false, false};
    if (families_.Has(SteamFamily::Friends))
        player.personaName = TextOr(e.personaName(interfaces_.friends));
    if (families_.Has(SteamFamily::Apps))
        player.language = TextOr(e.language(interfaces_.apps));
    if (families_.Has(SteamFamily::Utils)) {
        player.steamDeck = e.steamDeck(interfaces_.utils);
        player.overlayEnabled = e.overlayEnabled(interfaces_.utils);
    }
    return player;
}

bool SteamLibrary::SetAchievement(const std::string& name) {
    return exports_->setAchievement(interfaces_.userStats, name.c_str());
}

bool SteamLibrary::ClearAchievement(const std::string& name) {
    return exports_->clearAchievement(interfaces_.userStats, name.c_str());
}

std::optional<bool> SteamLibrary::GetAchievement(const std::string& name) {
    bool achieved = false;
    if (!exports_->getAchievement(interfaces_.userStats, name.c_str(), &achieved))
        return std::nullopt;
    return achieved;
}

bool SteamLibrary::SetStatInt(const std::string& name, int32_t value) {
    return exports_->setStatInt(interfaces_.userStats, name.c_str(), value);
}

bool SteamLibrary::SetStatFloat(const std::string& name, float value) {
    return exports_->setStatFloat(interfaces_.userStats, name.c_str(), value);
}

std::optional<int32_t> SteamLibrary::GetStatInt(const std::string& name) {
    int32_t value = 0;
    if (!exports_->getStatInt(interfaces_.userStats, name.c_str(), &value))
        return std::nullopt;
    return value;
}

std::optional<float> SteamLibrary::GetStatFloat(const std::string& name) {
    float value = 0;
    if (!exports_->getStatFloat(interfaces_.userStats, name.c_str(), &value))
        return std::nullopt;
    return value;
}

bool SteamLibrary::StoreStats() {
    return exports_->storeStats(interfaces_.userStats);
}

bool SteamLibrary::SetRichPresence(const std::string& key, const std::string& value) {
    return exports_->setRichPresence(interfaces_.friends, key.c_str(), value.c_str());
}

bool SteamLibrary::IsDlcInstalled(uint32_t appId) {
    return exports_->dlcInstalled(interfaces_.apps, appId);
}

void SteamLibrary::ActivateOverlay(const std::string& dialog) {
    exports_->activateOverlay(interfaces_.friends, dialog.c_str());
    if (overlayAsked_)
        overlayAsked_();
}

void SteamLibrary::ActivateOverlayToWebPage(const std::string& url) {
    // 0: the default mode, the page in the overlay's own browser.
    exports_->activateOverlayToWebPage(interfaces_.friends, url.c_str(), 0);
    if (overlayAsked_)
        overlayAsked_();
}

bool SteamLibrary::OverlayEnabled() {
    return families_.Has(SteamFamily::Utils) && exports_->overlayEnabled(interfaces_.utils);
}

void SteamLibrary::HookScreenshots() {
    exports_->hookScreenshots(interfaces_.screenshots, true);
}

void SteamLibrary::TriggerScreenshot() {
    exports_->triggerScreenshot(interfaces_.screenshots);
}

bool SteamLibrary::WriteScreenshot(std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
    // 0 is Steam's INVALID_SCREENSHOT_HANDLE.
    return exports_->writeScreenshot(interfaces_.screenshots, rgb.data(),
                                     static_cast<uint32_t>(rgb.size()), width, height) != 0;
}
