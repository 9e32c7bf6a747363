// A stand-in for Valve's steam_api64.dll with the flat exports the host uses.
// It records every call, as JSON lines in steam-standin.log beside itself; reads
// what to answer from steam-standin.json there; and raises the callbacks listed
// in steam-standin.events (one "overlay 1", "overlay 0" or "callback ID" a line)
// at the next frame; the cloud, leaderboards and web API tickets are in
// steam_api_standin_results.cpp. Built three times: "newest" (SteamUserStats v013,
// SteamFriends v018, SteamApps v009 and no v008, SteamAPI_InitFlat), "oldest"
// (v012, v017, v008, SteamAPI_InitSafe only, with RequestCurrentStats), as the
// redistributables differ, and "partial": the oldest without the cloud,
// leaderboards and web API tickets.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include <nlohmann/json.hpp>

#include "steam_api_standin.h"

namespace standin_steam {
namespace {
struct CallbackMessage {
    int32_t user;
    int32_t id;
    uint8_t* data;
    int32_t size;
};

struct Standin {
    nlohmann::json config = nlohmann::json::object();
    std::deque<std::vector<uint8_t>> pending; // id (4 bytes) then data
    std::vector<uint8_t> handedOut;
    bool frameSeen = false;
    std::string persona, language;
};
Standin& State() {
    static Standin state;
    return state;
}
} // namespace

char interfaces[7] = {}; // distinct addresses for the seven interfaces

std::filesystem::path Beside(const wchar_t* name) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&State), &self);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring folder = path;
    return std::filesystem::path(folder.substr(0, folder.rfind(L'\\') + 1) + name);
}

void Record(const char* call, nlohmann::json args) {
    std::ofstream log(Beside(L"steam-standin.log"), std::ios::app | std::ios::binary);
    log << nlohmann::json{{"call", call}, {"args", args}}.dump(
               -1, ' ', false, nlohmann::json::error_handler_t::replace)
        << "\n";
}

const nlohmann::json& Config(const char* key) {
    static const nlohmann::json kNull;
    const nlohmann::json& config = State().config;
    return config.contains(key) ? config[key] : kNull;
}

bool Accepts() {
    return Config("refuse").is_null();
}

void Queue(int32_t id, std::vector<uint8_t> data) {
    std::vector<uint8_t> entry(4);
    std::memcpy(entry.data(), &id, 4);
    entry.insert(entry.end(), data.begin(), data.end());
    State().pending.push_back(std::move(entry));
}

namespace {
// The events file is renamed before it is read, so a test's next write is
// never half taken.
void TakeEvents() {
    const std::filesystem::path events = Beside(L"steam-standin.events");
    std::filesystem::path taken = events;
    taken += L".taken";
    if (!MoveFileExW(events.c_str(), taken.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    std::ifstream file(taken);
    std::string word;
    int value = 0;
    while (file >> word >> value)
        word == "overlay" ? QueueOverlay(value != 0) : Queue(value, std::vector<uint8_t>(8, 0));
    file.close();
    DeleteFileW(taken.c_str());
}

bool Init(const char* how) {
    std::ifstream file(Beside(L"steam-standin.json"));
    std::stringstream text;
    text << file.rdbuf();
    State().config = nlohmann::json::parse(text.str(), nullptr, false);
    if (!State().config.is_object())
        State().config = nlohmann::json::object();
    Record(how);
    return Config("fail-init").is_null();
}
} // namespace
} // namespace standin_steam
using namespace standin_steam;

EXPORT bool SteamAPI_RestartAppIfNecessary(uint32_t appId) {
    Record("RestartAppIfNecessary", {appId});
    return std::ifstream(Beside(L"steam-standin.restart")).good();
}

#ifndef STANDIN_STEAM_OLDEST
EXPORT int SteamAPI_InitFlat(char (*message)[1024]) {
    if (Init("InitFlat"))
        return 0;
    std::snprintf(*message, sizeof(*message), "%s", Config("fail-init").dump().c_str());
    return 1;
}
#endif

EXPORT bool SteamAPI_InitSafe() {
    return Init("InitSafe");
}
EXPORT void SteamAPI_Shutdown() {
    Record("Shutdown", {{"d3d11Loaded", GetModuleHandleW(L"d3d11.dll") != nullptr}});
}
EXPORT int32_t SteamAPI_GetHSteamPipe() {
    return 7;
}
EXPORT void SteamAPI_ManualDispatch_Init() {
    Record("ManualDispatch_Init");
}

EXPORT void SteamAPI_ManualDispatch_RunFrame(int32_t pipe) {
    if (!State().frameSeen)
        Record("ManualDispatch_RunFrame", {pipe}); // the first only: it runs all the time
    State().frameSeen = true;
    TakeEvents();
    DeliverDueResults();
    WatchForSwapChains();
}

EXPORT bool SteamAPI_ManualDispatch_GetNextCallback(int32_t pipe, CallbackMessage* message) {
    Standin& state = State();
    if (pipe != 7 || !state.handedOut.empty() || state.pending.empty())
        return false; // a callback handed out and not yet freed blocks the next
    state.handedOut = std::move(state.pending.front());
    state.pending.pop_front();
    std::memcpy(&message->id, state.handedOut.data(), 4);
    message->user = 1;
    message->data = state.handedOut.data() + 4;
    message->size = static_cast<int32_t>(state.handedOut.size() - 4);
    return true;
}

EXPORT void SteamAPI_ManualDispatch_FreeLastCallback(int32_t pipe) {
    int32_t id = 0;
    if (State().handedOut.size() >= 4)
        std::memcpy(&id, State().handedOut.data(), 4);
    Record("FreeLastCallback", {pipe, id});
    State().handedOut.clear();
}

#ifdef STANDIN_STEAM_OLDEST
EXPORT void* SteamAPI_SteamUserStats_v012() {
    return &interfaces[0];
}
EXPORT void* SteamAPI_SteamFriends_v017() {
    return &interfaces[1];
}
EXPORT bool SteamAPI_ISteamUserStats_RequestCurrentStats(void*) {
    Record("RequestCurrentStats");
    return true;
}
#else
EXPORT void* SteamAPI_SteamUserStats_v013() {
    return &interfaces[0];
}
EXPORT void* SteamAPI_SteamFriends_v018() {
    return &interfaces[1];
}
#endif
EXPORT void* SteamAPI_SteamUtils_v010() {
    return &interfaces[2];
}
#ifdef STANDIN_STEAM_OLDEST
EXPORT void* SteamAPI_SteamApps_v008() {
    return &interfaces[3];
}
#else
EXPORT void* SteamAPI_SteamApps_v009() {
    return &interfaces[3];
}
#endif
EXPORT void* SteamAPI_SteamUser_v023() {
    return &interfaces[4];
}

EXPORT bool SteamAPI_ISteamUserStats_SetAchievement(void*, const char* name) {
    Record("SetAchievement", {name});
    return Accepts();
}
EXPORT bool SteamAPI_ISteamUserStats_ClearAchievement(void*, const char* name) {
    Record("ClearAchievement", {name});
    return Accepts();
}
EXPORT bool SteamAPI_ISteamUserStats_GetAchievement(void*, const char* name, bool* achieved) {
    Record("GetAchievement", {name});
    const nlohmann::json& known = Config("achievements");
    if (!known.is_object() || !known.contains(name))
        return false;
    *achieved = known[name] == true;
    return true;
}
EXPORT bool SteamAPI_ISteamUserStats_SetStatInt32(void*, const char* name, int32_t value) {
    Record("SetStatInt32", {name, value});
    return Accepts();
}
EXPORT bool SteamAPI_ISteamUserStats_SetStatFloat(void*, const char* name, float value) {
    Record("SetStatFloat", {name, value});
    return Accepts();
}
EXPORT bool SteamAPI_ISteamUserStats_GetStatInt32(void*, const char* name, int32_t* value) {
    Record("GetStatInt32", {name});
    const nlohmann::json& stats = Config("stats");
    if (!stats.is_object() || !stats.contains(name) || !stats[name].is_number())
        return false;
    *value = stats[name].get<int32_t>();
    return true;
}
EXPORT bool SteamAPI_ISteamUserStats_GetStatFloat(void*, const char* name, float* value) {
    Record("GetStatFloat", {name});
    const nlohmann::json& stats = Config("stats");
    if (!stats.is_object() || !stats.contains(name) || !stats[name].is_number())
        return false;
    *value = stats[name].get<float>();
    return true;
}
EXPORT bool SteamAPI_ISteamUserStats_StoreStats(void*) {
    Record("StoreStats");
    return Accepts();
}
EXPORT const char* SteamAPI_ISteamFriends_GetPersonaName(void*) {
    State().persona = Config("persona").is_string() ? Config("persona").get<std::string>() : "";
    return State().persona.c_str();
}
EXPORT bool SteamAPI_ISteamFriends_SetRichPresence(void*, const char* key, const char* value) {
    Record("SetRichPresence", {key, value});
    return Accepts();
}
EXPORT void SteamAPI_ISteamFriends_ActivateGameOverlay(void*, const char* dialog) {
    Record("ActivateGameOverlay", {dialog});
    RequestOverlay();
}
EXPORT void SteamAPI_ISteamFriends_ActivateGameOverlayToWebPage(void*, const char* url, int mode) {
    Record("ActivateGameOverlayToWebPage", {url, mode});
    RequestOverlay();
}
EXPORT bool SteamAPI_ISteamUtils_IsSteamRunningOnSteamDeck(void*) {
    return Config("deck") == true;
}
EXPORT bool SteamAPI_ISteamUtils_IsOverlayEnabled(void*) {
    return OverlayEnabled();
}
EXPORT bool SteamAPI_ISteamApps_BIsDlcInstalled(void*, uint32_t appId) {
    Record("BIsDlcInstalled", {appId});
    const nlohmann::json& dlc = Config("dlc");
    return dlc.is_array() && std::find(dlc.begin(), dlc.end(), appId) != dlc.end();
}
EXPORT const char* SteamAPI_ISteamApps_GetCurrentGameLanguage(void*) {
    State().language = "english";
    return State().language.c_str();
}
EXPORT uint64_t SteamAPI_ISteamUser_GetSteamID(void*) {
    return 76561197960287930ull;
}
