#include "steam/steam_families.h"

#include <algorithm>

namespace {
using Kind = SteamCall::Kind;
using F = SteamFamily;

// Accessors more than one family goes through.
const SteamExportNames kUserStats = {"SteamAPI_SteamUserStats_v013", "SteamAPI_SteamUserStats_v012",
                                     "SteamAPI_SteamUserStats_v011"};
const SteamExportNames kFriends = {"SteamAPI_SteamFriends_v018", "SteamAPI_SteamFriends_v017"};
const SteamExportNames kUser = {"SteamAPI_SteamUser_v023", "SteamAPI_SteamUser_v022",
                                "SteamAPI_SteamUser_v021"};

std::vector<SteamFamilyRow> MakeTable() {
    return {
        {F::Core,
         "core",
         {{"SteamAPI_RestartAppIfNecessary"},
          {"SteamAPI_InitFlat", "SteamAPI_InitSafe"},
          {"SteamAPI_Shutdown"},
          {"SteamAPI_GetHSteamPipe"},
          {"SteamAPI_ManualDispatch_Init"},
          {"SteamAPI_ManualDispatch_RunFrame"},
          {"SteamAPI_ManualDispatch_GetNextCallback"},
          {"SteamAPI_ManualDispatch_FreeLastCallback"},
          {"SteamAPI_ManualDispatch_GetAPICallResult"},
          kUser,
          {"SteamAPI_ISteamUser_GetSteamID"}},
         {Kind::Refused, Kind::Status}},
        {F::Stats,
         "stats",
         {kUserStats,
          {"SteamAPI_ISteamUserStats_SetAchievement"},
          {"SteamAPI_ISteamUserStats_ClearAchievement"},
          {"SteamAPI_ISteamUserStats_GetAchievement"},
          {"SteamAPI_ISteamUserStats_SetStatInt32"},
          {"SteamAPI_ISteamUserStats_SetStatFloat"},
          {"SteamAPI_ISteamUserStats_GetStatInt32"},
          {"SteamAPI_ISteamUserStats_GetStatFloat"},
          {"SteamAPI_ISteamUserStats_StoreStats"}},
         {Kind::SetAchievement, Kind::ClearAchievement, Kind::GetAchievement, Kind::SetStat,
          Kind::GetStat, Kind::StoreStats}},
        {F::Friends,
         "friends",
         {kFriends,
          {"SteamAPI_ISteamFriends_GetPersonaName"},
          {"SteamAPI_ISteamFriends_SetRichPresence"},
          {"SteamAPI_ISteamFriends_ActivateGameOverlay"},
          {"SteamAPI_ISteamFriends_ActivateGameOverlayToWebPage"}},
         {Kind::SetRichPresence, Kind::ActivateOverlay, Kind::ActivateOverlayToWebPage}},
        {F::Apps,
         "apps",
         {{"SteamAPI_SteamApps_v009", "SteamAPI_SteamApps_v008"},
          {"SteamAPI_ISteamApps_BIsDlcInstalled"},
          {"SteamAPI_ISteamApps_GetCurrentGameLanguage"}},
         {Kind::IsDlcInstalled}},
        {F::Cloud,
         "cloud",
         {{"SteamAPI_SteamRemoteStorage_v016"},
          {"SteamAPI_ISteamRemoteStorage_FileWrite"},
          {"SteamAPI_ISteamRemoteStorage_FileRead"},
          {"SteamAPI_ISteamRemoteStorage_GetFileSize"},
          {"SteamAPI_ISteamRemoteStorage_FileDelete"},
          {"SteamAPI_ISteamRemoteStorage_FileExists"},
          {"SteamAPI_ISteamRemoteStorage_GetFileTimestamp"},
          {"SteamAPI_ISteamRemoteStorage_GetFileCount"},
          {"SteamAPI_ISteamRemoteStorage_GetFileNameAndSize"},
          {"SteamAPI_ISteamRemoteStorage_GetQuota"},
          {"SteamAPI_ISteamRemoteStorage_IsCloudEnabledForAccount"},
          {"SteamAPI_ISteamRemoteStorage_IsCloudEnabledForApp"}},
         {Kind::CloudStatus, Kind::CloudWrite, Kind::CloudRead, Kind::CloudDelete,
          Kind::CloudExists, Kind::CloudList}},
        {F::Leaderboards,
         "leaderboards",
         {kUserStats,
          kFriends,
          {"SteamAPI_ISteamUserStats_FindLeaderboard"},
          {"SteamAPI_ISteamUserStats_FindOrCreateLeaderboard"},
          {"SteamAPI_ISteamUserStats_UploadLeaderboardScore"},
          {"SteamAPI_ISteamUserStats_DownloadLeaderboardEntries"},
          {"SteamAPI_ISteamUserStats_GetDownloadedLeaderboardEntry"},
          {"SteamAPI_ISteamFriends_GetFriendPersonaName"}},
         {Kind::LeaderboardFind, Kind::LeaderboardUpload, Kind::LeaderboardEntries}},
        {F::Tickets,
         "tickets",
         {{"SteamAPI_ISteamUser_GetAuthTicketForWebApi"}, {"SteamAPI_ISteamUser_CancelAuthTicket"}},
         {Kind::AuthTicket}},
        {F::Utils,
         "utils",
         {{"SteamAPI_SteamUtils_v010"},
          {"SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck"},
          {"SteamAPI_ISteamUtils_IsOverlayEnabled"}},
         {}},
        // F12 in the page: Steam's screenshot, of the page's frame.
        {F::Screenshots,
         "screenshots",
         {{"SteamAPI_SteamScreenshots_v003"},
          {"SteamAPI_ISteamScreenshots_TriggerScreenshot"},
          {"SteamAPI_ISteamScreenshots_HookScreenshots"},
          {"SteamAPI_ISteamScreenshots_WriteScreenshot"}},
         {}},
    };
}
} // namespace

const std::vector<SteamFamilyRow>& SteamFamilyTable() {
    static const std::vector<SteamFamilyRow> table = MakeTable();
    return table;
}

SteamFamily FamilyOf(SteamCall::Kind kind) {
    for (const SteamFamilyRow& row : SteamFamilyTable())
        if (std::find(row.calls.begin(), row.calls.end(), kind) != row.calls.end())
            return row.family;
    return SteamFamily::Core;
}

const SteamExportNames* SteamExportByNewest(std::string_view newest) {
    for (const SteamFamilyRow& row : SteamFamilyTable())
        for (const SteamExportNames& names : row.exports)
            if (names.front() == newest)
                return &names;
    return nullptr;
}

SteamFamilies::SteamFamilies(const std::function<bool(std::string_view)>& exported) {
    for (const SteamFamilyRow& row : SteamFamilyTable()) {
        for (const SteamExportNames& names : row.exports)
            if (std::none_of(names.begin(), names.end(), exported)) {
                missing_[Index(row.family)] = std::string(names.front());
                break;
            }
        present_[Index(row.family)] = missing_[Index(row.family)].empty();
    }
    // Without the core nothing can be called.
    if (!Has(SteamFamily::Core))
        present_.fill(false);
}

std::string SteamFamilies::Unavailable(SteamFamily family) const {
    return std::string(kSteamLibraryName) + " has no export " + Missing(family);
}

std::vector<std::string> SteamFamilies::Names() const {
    std::vector<std::string> names;
    for (const SteamFamilyRow& row : SteamFamilyTable())
        if (Has(row.family))
            names.emplace_back(row.name);
    return names;
}
