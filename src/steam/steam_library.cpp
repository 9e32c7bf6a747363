#include "steam/steam_library.h"

#include <cstring>
#include <initializer_list>

#include "steam/steam_exports.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
// Resolves exports by name, remembering the first one that is missing.
class ExportFinder {
public:
    explicit ExportFinder(HMODULE module) : module_(module) {}

    template <typename Function> void Optional(Function& function, const char* name) {
        function =
            reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    template <typename Function> void Need(Function& function, const char* name) {
        Optional(function, name);
        if (!function && missing_.empty())
            missing_ = name;
    }
    // Interface accessors, newest version first: each library has the ones its
    // own flat functions were built for.
    template <typename Function>
    void Newest(Function& function, std::initializer_list<const char*> versions) {
        for (const char* name : versions) {
            Optional(function, name);
            if (function)
                return;
        }
        if (missing_.empty())
            missing_ = *versions.begin();
    }
    const std::string& Missing() const { return missing_; }

private:
    HMODULE module_;
    std::string missing_;
};

void FindLifeCycle(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Need(e.restartAppIfNecessary, "SteamAPI_RestartAppIfNecessary");
    find.Optional(e.initFlat, "SteamAPI_InitFlat");
    if (!e.initFlat)
        find.Need(e.initSafe, "SteamAPI_InitSafe");
    find.Need(e.shutdown, "SteamAPI_Shutdown");
    find.Need(e.pipe, "SteamAPI_GetHSteamPipe");
    find.Need(e.dispatchInit, "SteamAPI_ManualDispatch_Init");
    find.Need(e.runFrame, "SteamAPI_ManualDispatch_RunFrame");
    find.Need(e.nextCallback, "SteamAPI_ManualDispatch_GetNextCallback");
    find.Need(e.freeLastCallback, "SteamAPI_ManualDispatch_FreeLastCallback");
}

void FindAccessors(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Newest(e.userStatsAccessor,
                {"SteamAPI_SteamUserStats_v013", "SteamAPI_SteamUserStats_v012",
                 "SteamAPI_SteamUserStats_v011"});
    find.Newest(e.friendsAccessor, {"SteamAPI_SteamFriends_v018", "SteamAPI_SteamFriends_v017"});
    find.Newest(e.utilsAccessor, {"SteamAPI_SteamUtils_v010"});
    find.Newest(e.appsAccessor, {"SteamAPI_SteamApps_v008"});
    find.Newest(e.userAccessor,
                {"SteamAPI_SteamUser_v023", "SteamAPI_SteamUser_v022", "SteamAPI_SteamUser_v021"});
}

void FindUserStats(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Need(e.setAchievement, "SteamAPI_ISteamUserStats_SetAchievement");
    find.Need(e.clearAchievement, "SteamAPI_ISteamUserStats_ClearAchievement");
    find.Need(e.getAchievement, "SteamAPI_ISteamUserStats_GetAchievement");
    find.Need(e.setStatInt, "SteamAPI_ISteamUserStats_SetStatInt32");
    find.Need(e.setStatFloat, "SteamAPI_ISteamUserStats_SetStatFloat");
    find.Need(e.getStatInt, "SteamAPI_ISteamUserStats_GetStatInt32");
    find.Need(e.getStatFloat, "SteamAPI_ISteamUserStats_GetStatFloat");
    find.Need(e.storeStats, "SteamAPI_ISteamUserStats_StoreStats");
    find.Optional(e.requestCurrentStats, "SteamAPI_ISteamUserStats_RequestCurrentStats");
}

void FindOthers(ExportFinder& find, SteamLibrary::Exports& e) {
    find.Need(e.personaName, "SteamAPI_ISteamFriends_GetPersonaName");
    find.Need(e.setRichPresence, "SteamAPI_ISteamFriends_SetRichPresence");
    find.Need(e.activateOverlay, "SteamAPI_ISteamFriends_ActivateGameOverlay");
    find.Need(e.activateOverlayToWebPage, "SteamAPI_ISteamFriends_ActivateGameOverlayToWebPage");
    find.Need(e.steamDeck, "SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck");
    find.Need(e.overlayEnabled, "SteamAPI_ISteamUtils_IsOverlayEnabled");
    find.Need(e.dlcInstalled, "SteamAPI_ISteamApps_BIsDlcInstalled");
    find.Need(e.language, "SteamAPI_ISteamApps_GetCurrentGameLanguage");
    find.Need(e.steamId, "SteamAPI_ISteamUser_GetSteamID");
}

// Present in both library generations the host accepts (SDK 1.55 and newer).
void FindCloud(ExportFinder& find, SteamCloudExports& e) {
    find.Newest(e.accessor, {"SteamAPI_SteamRemoteStorage_v016"});
    find.Need(e.write, "SteamAPI_ISteamRemoteStorage_FileWrite");
    find.Need(e.read, "SteamAPI_ISteamRemoteStorage_FileRead");
    find.Need(e.size, "SteamAPI_ISteamRemoteStorage_GetFileSize");
    find.Need(e.remove, "SteamAPI_ISteamRemoteStorage_FileDelete");
    find.Need(e.exists, "SteamAPI_ISteamRemoteStorage_FileExists");
    find.Need(e.timestamp, "SteamAPI_ISteamRemoteStorage_GetFileTimestamp");
    find.Need(e.count, "SteamAPI_ISteamRemoteStorage_GetFileCount");
    find.Need(e.nameAndSize, "SteamAPI_ISteamRemoteStorage_GetFileNameAndSize");
    find.Need(e.quota, "SteamAPI_ISteamRemoteStorage_GetQuota");
    find.Need(e.enabledForAccount, "SteamAPI_ISteamRemoteStorage_IsCloudEnabledForAccount");
    find.Need(e.enabledForApp, "SteamAPI_ISteamRemoteStorage_IsCloudEnabledForApp");
}

void FindAsync(ExportFinder& find, SteamAsyncExports& e) {
    find.Need(e.callResult, "SteamAPI_ManualDispatch_GetAPICallResult");
    find.Need(e.findLeaderboard, "SteamAPI_ISteamUserStats_FindLeaderboard");
    find.Need(e.findOrCreateLeaderboard, "SteamAPI_ISteamUserStats_FindOrCreateLeaderboard");
    find.Need(e.uploadScore, "SteamAPI_ISteamUserStats_UploadLeaderboardScore");
    find.Need(e.downloadEntries, "SteamAPI_ISteamUserStats_DownloadLeaderboardEntries");
    find.Need(e.downloadedEntry, "SteamAPI_ISteamUserStats_GetDownloadedLeaderboardEntry");
    find.Need(e.friendPersonaName, "SteamAPI_ISteamFriends_GetFriendPersonaName");
    find.Need(e.webApiTicket, "SteamAPI_ISteamUser_GetAuthTicketForWebApi");
    find.Need(e.cancelTicket, "SteamAPI_ISteamUser_CancelAuthTicket");
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
    ExportFinder find(module_.get());
    FindLifeCycle(find, *exports_);
    FindAccessors(find, *exports_);
    FindUserStats(find, *exports_);
    FindOthers(find, *exports_);
    FindCloud(find, exports_->cloud);
    FindAsync(find, exports_->async);
    if (!find.Missing().empty())
        loadFailure_ = std::string(kSteamLibraryName) + " has no export " + find.Missing();
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
    if (failure.empty() && exports_->requestCurrentStats)
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
    interfaces_ = {exports_->userStatsAccessor(), exports_->friendsAccessor(),
                   exports_->utilsAccessor(),     exports_->appsAccessor(),
                   exports_->userAccessor(),      exports_->cloud.accessor()};
    const Interfaces& i = interfaces_;
    if (!i.userStats || !i.friends || !i.utils || !i.apps || !i.user || !i.remoteStorage)
        return "Steam gave no interface for this library's version";
    return {};
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
    return {e.steamId(interfaces_.user), TextOr(e.personaName(interfaces_.friends)),
            TextOr(e.language(interfaces_.apps)), e.steamDeck(interfaces_.utils),
            e.overlayEnabled(interfaces_.utils)};
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
}

void SteamLibrary::ActivateOverlayToWebPage(const std::string& url) {
    // 0: the default mode, the page in the overlay's own browser.
    exports_->activateOverlayToWebPage(interfaces_.friends, url.c_str(), 0);
}
