// The stand-in's Steam Cloud (files in steam-standin-cloud\ beside itself, so
// they outlive a run), leaderboards and web API tickets. Asynchronous results
// come back after the number of frames "result-delays" in steam-standin.json
// gives for each call in turn (default 1; -1: never), so several may come back
// in another order than asked. steam-standin.cloud-app-off turns the cloud off
// for the app while it runs.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "steam_api_standin.h"

using namespace standin_steam;

namespace {
constexpr uint64_t kPlayer = 76561197960287930ull;
constexpr int32_t kCallCompleted = 703, kTicketResponse = 168;

#pragma pack(push, 8)
struct LeaderboardEntry {
    uint64_t steamId;
    int32_t rank, score, detailCount;
    uint64_t ugc;
};
#pragma pack(pop)

struct Scheduled {
    int framesLeft;
    uint64_t call; // 0: a plain callback
    int32_t callback;
    std::vector<uint8_t> data;
};
struct Score {
    uint64_t steamId;
    int32_t score;
    std::vector<int32_t> details;
};
struct Board {
    std::string name;
    int32_t sort = 2; // descending
    std::vector<Score> scores; // best first
};
struct Results {
    std::vector<Scheduled> scheduled;
    std::map<uint64_t, std::pair<int32_t, std::vector<uint8_t>>> ready;
    size_t callsMade = 0;
    uint64_t nextCall = 0x0100000000000001ull; // past 2^53: only text keeps it whole
    std::vector<Board> boards;
    std::map<uint64_t, std::vector<LeaderboardEntry>> downloads;
    std::map<uint64_t, std::vector<std::vector<int32_t>>> downloadDetails;
    uint32_t lastTicket = 0;
    std::string name; // the last name handed out
};
Results& Done() {
    static Results results;
    return results;
}

template <typename T> std::vector<uint8_t> BytesOf(const T& value) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

int NextDelay() {
    const nlohmann::json& delays = Config("result-delays");
    const size_t index = Done().callsMade++;
    if (delays.is_array() && index < delays.size() && delays[index].is_number_integer())
        return delays[index].get<int>();
    return 1;
}

uint64_t ScheduleResult(int32_t callback, std::vector<uint8_t> data) {
    const uint64_t call = Done().nextCall++;
    Done().scheduled.push_back({NextDelay(), call, callback, std::move(data)});
    return call;
}

std::wstring Wide(const char* text) {
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

std::filesystem::path CloudFolder() {
    const std::filesystem::path folder = Beside(L"steam-standin-cloud");
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path CloudFile(const char* name) {
    return CloudFolder() / Wide(name);
}

std::vector<std::filesystem::path> CloudFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(CloudFolder()))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Board* BoardOf(uint64_t handle) {
    const uint64_t index = handle - 0x0200000000000001ull;
    return index < Done().boards.size() ? &Done().boards[index] : nullptr;
}

int32_t RankOf(const Board& board, uint64_t steamId) {
    for (size_t i = 0; i < board.scores.size(); ++i)
        if (board.scores[i].steamId == steamId)
            return static_cast<int32_t>(i + 1);
    return 0;
}

bool Better(const Board& board, int32_t score, int32_t than) {
    return board.sort == 1 ? score < than : score > than;
}

// Others on every board, from "rivals": [{"steamId": "...", "score": N}].
void AddRivals(Board& board) {
    for (const nlohmann::json& rival : Config("rivals").is_array() ? Config("rivals")
                                                                   : nlohmann::json::array())
        board.scores.push_back({std::stoull(rival["steamId"].get<std::string>()),
                                rival["score"].get<int32_t>(), {}});
}

void Rank(Board& board) {
    std::stable_sort(board.scores.begin(), board.scores.end(), [&](const Score& a, const Score& b) {
        return Better(board, a.score, b.score);
    });
}

uint64_t FindResult(const char* name, int32_t sort, bool create) {
    auto& boards = Done().boards;
    auto it = std::find_if(boards.begin(), boards.end(), [&](const Board& b) { return b.name == name; });
    if (it == boards.end() && create) {
        boards.push_back({name, sort, {}});
        AddRivals(boards.back());
        Rank(boards.back());
        it = boards.end() - 1;
    }
    const uint64_t handle = it == boards.end() ? 0 : 0x0200000000000001ull + (it - boards.begin());
    std::vector<uint8_t> result(16, 0); // LeaderboardFindResult_t
    std::memcpy(result.data(), &handle, 8);
    result[8] = handle != 0;
    return ScheduleResult(1104, result);
}
} // namespace

void standin_steam::DeliverDueResults() {
    auto& scheduled = Done().scheduled;
    for (auto it = scheduled.begin(); it != scheduled.end();) {
        if (it->framesLeft < 0 || --it->framesLeft > 0) {
            ++it;
            continue;
        }
        if (it->call) {
            // SteamAPICallCompleted_t: the handle, the result's callback and size.
            std::vector<uint8_t> completed(16, 0);
            const uint32_t size = static_cast<uint32_t>(it->data.size());
            std::memcpy(completed.data(), &it->call, 8);
            std::memcpy(completed.data() + 8, &it->callback, 4);
            std::memcpy(completed.data() + 12, &size, 4);
            Done().ready[it->call] = {it->callback, std::move(it->data)};
            Queue(kCallCompleted, completed);
        } else {
            Queue(it->callback, std::move(it->data));
        }
        it = scheduled.erase(it);
    }
}

EXPORT bool SteamAPI_ManualDispatch_GetAPICallResult(int32_t, uint64_t call, void* buffer,
                                                      int32_t size, int32_t expected, bool* failed) {
    Record("GetAPICallResult", {std::to_string(call), size, expected});
    const auto it = Done().ready.find(call);
    if (it == Done().ready.end() || it->second.first != expected ||
        static_cast<size_t>(size) != it->second.second.size())
        return false;
    std::memcpy(buffer, it->second.second.data(), it->second.second.size());
    *failed = false;
    Done().ready.erase(it);
    return true;
}

EXPORT_UNLESS_PARTIAL void* SteamAPI_SteamRemoteStorage_v016() {
    return &interfaces[5];
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_FileWrite(void*, const char* name, const void* data,
                                                   int32_t size) {
    Record("FileWrite", {name, size});
    if (!Accepts())
        return false;
    std::ofstream file(CloudFile(name), std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), size);
    return file.good();
}
EXPORT_UNLESS_PARTIAL int32_t SteamAPI_ISteamRemoteStorage_FileRead(void*, const char* name, void* data,
                                                     int32_t size) {
    Record("FileRead", {name, size});
    std::ifstream file(CloudFile(name), std::ios::binary);
    file.read(static_cast<char*>(data), size);
    return static_cast<int32_t>(file.gcount());
}
EXPORT_UNLESS_PARTIAL int32_t SteamAPI_ISteamRemoteStorage_GetFileSize(void*, const char* name) {
    std::error_code error;
    const auto size = std::filesystem::file_size(CloudFile(name), error);
    return error ? 0 : static_cast<int32_t>(size);
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_FileDelete(void*, const char* name) {
    Record("FileDelete", {name});
    std::error_code error;
    return std::filesystem::remove(CloudFile(name), error);
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_FileExists(void*, const char* name) {
    Record("FileExists", {name});
    return std::filesystem::is_regular_file(CloudFile(name));
}
// The file's last write, in seconds since 1970 (tests set it with the file's time).
EXPORT_UNLESS_PARTIAL int64_t SteamAPI_ISteamRemoteStorage_GetFileTimestamp(void*, const char* name) {
    Record("GetFileTimestamp", {name});
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(CloudFile(name).c_str(), GetFileExInfoStandard, &data))
        return 0;
    const uint64_t ticks =
        (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000 - 11644473600ull);
}
EXPORT_UNLESS_PARTIAL int32_t SteamAPI_ISteamRemoteStorage_GetFileCount(void*) {
    return static_cast<int32_t>(CloudFiles().size());
}
EXPORT_UNLESS_PARTIAL const char* SteamAPI_ISteamRemoteStorage_GetFileNameAndSize(void*, int index, int32_t* size) {
    const auto files = CloudFiles();
    if (index < 0 || static_cast<size_t>(index) >= files.size())
        return nullptr;
    *size = static_cast<int32_t>(std::filesystem::file_size(files[index]));
    const std::u8string name = files[index].filename().u8string();
    Done().name.assign(reinterpret_cast<const char*>(name.data()), name.size());
    return Done().name.c_str();
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_GetQuota(void*, uint64_t* total, uint64_t* available) {
    uint64_t used = 0;
    for (const auto& file : CloudFiles())
        used += std::filesystem::file_size(file);
    *total = 100000000;
    *available = *total - std::min(used, *total);
    return true;
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_IsCloudEnabledForAccount(void*) {
    return Config("cloud-account") != false;
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamRemoteStorage_IsCloudEnabledForApp(void*) {
    return !std::filesystem::exists(Beside(L"steam-standin.cloud-app-off"));
}

EXPORT_UNLESS_PARTIAL uint64_t SteamAPI_ISteamUserStats_FindLeaderboard(void*, const char* name) {
    Record("FindLeaderboard", {name});
    return FindResult(name, 0, false);
}
EXPORT_UNLESS_PARTIAL uint64_t SteamAPI_ISteamUserStats_FindOrCreateLeaderboard(void*, const char* name, int sort,
                                                                 int display) {
    Record("FindOrCreateLeaderboard", {name, sort, display});
    return FindResult(name, sort, true);
}
EXPORT_UNLESS_PARTIAL uint64_t SteamAPI_ISteamUserStats_UploadLeaderboardScore(void*, uint64_t handle, int method,
                                                                int32_t score,
                                                                const int32_t* details, int count) {
    Record("UploadLeaderboardScore", {std::to_string(handle), method, score,
                                      std::vector<int32_t>(details, details + count)});
    Board* board = BoardOf(handle);
    // LeaderboardScoreUploaded_t, packed to 8 on 64-bit Windows.
    std::vector<uint8_t> result(32, 0);
    std::memcpy(result.data() + 8, &handle, 8);
    std::memcpy(result.data() + 16, &score, 4);
    if (board) {
        const int32_t previous = RankOf(*board, kPlayer);
        const bool changed = method == 2 || previous == 0 ||
                             Better(*board, score, board->scores[previous - 1].score);
        if (changed) {
            if (previous)
                board->scores.erase(board->scores.begin() + (previous - 1));
            board->scores.push_back({kPlayer, score, std::vector<int32_t>(details, details + count)});
            Rank(*board);
        }
        const int32_t now = RankOf(*board, kPlayer);
        result[0] = 1;
        result[20] = changed;
        std::memcpy(result.data() + 24, &now, 4);
        std::memcpy(result.data() + 28, &previous, 4);
    }
    return ScheduleResult(1106, result);
}
EXPORT_UNLESS_PARTIAL uint64_t SteamAPI_ISteamUserStats_DownloadLeaderboardEntries(void*, uint64_t handle,
                                                                    int request, int start, int end) {
    Record("DownloadLeaderboardEntries", {std::to_string(handle), request, start, end});
    const Board* board = BoardOf(handle);
    const uint64_t entries = Done().nextCall + 0x1000;
    auto& list = Done().downloads[entries];
    auto& details = Done().downloadDetails[entries];
    const int32_t around = board ? RankOf(*board, kPlayer) : 0;
    for (size_t i = 0; board && i < board->scores.size(); ++i) {
        const int32_t rank = static_cast<int32_t>(i + 1);
        const bool wanted = request == 2 || (request == 0 && rank >= start && rank <= end) ||
                            (request == 1 && around && rank >= around + start && rank <= around + end);
        if (!wanted)
            continue;
        const Score& s = board->scores[i];
        list.push_back({s.steamId, rank, s.score, static_cast<int32_t>(s.details.size()), 0});
        details.push_back(s.details);
    }
    std::vector<uint8_t> result(24, 0); // LeaderboardScoresDownloaded_t
    const int32_t count = static_cast<int32_t>(list.size());
    std::memcpy(result.data(), &handle, 8);
    std::memcpy(result.data() + 8, &entries, 8);
    std::memcpy(result.data() + 16, &count, 4);
    return ScheduleResult(1105, result);
}
EXPORT_UNLESS_PARTIAL bool SteamAPI_ISteamUserStats_GetDownloadedLeaderboardEntry(void*, uint64_t entries, int index,
                                                                   LeaderboardEntry* entry,
                                                                   int32_t* details, int most) {
    const auto& list = Done().downloads[entries];
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return false;
    *entry = list[index];
    const auto& own = Done().downloadDetails[entries][index];
    std::copy_n(own.begin(), std::min<size_t>(own.size(), static_cast<size_t>(most)), details);
    return true;
}
EXPORT const char* SteamAPI_ISteamFriends_GetFriendPersonaName(void*, uint64_t steamId) {
    const nlohmann::json& personas = Config("personas");
    const std::string id = std::to_string(steamId);
    Done().name = personas.is_object() && personas.contains(id) ? personas[id].get<std::string>() : "";
    return Done().name.c_str();
}

EXPORT_UNLESS_PARTIAL uint32_t SteamAPI_ISteamUser_GetAuthTicketForWebApi(void*, const char* identity) {
    Record("GetAuthTicketForWebApi", {identity ? nlohmann::json(identity) : nlohmann::json()});
    const uint32_t ticket = ++Done().lastTicket;
    // GetTicketForWebApiResponse_t: the handle, the result, the ticket's bytes.
    std::vector<uint8_t> response(12 + 2560, 0);
    const int32_t result = Config("ticket-result").is_number_integer()
                               ? Config("ticket-result").get<int32_t>() : 1;
    const int32_t size = 4;
    std::memcpy(response.data(), &ticket, 4);
    std::memcpy(response.data() + 4, &result, 4);
    std::memcpy(response.data() + 8, &size, 4);
    const uint8_t bytes[] = {0x14, 0x00, 0xAB, static_cast<uint8_t>(ticket)};
    std::memcpy(response.data() + 12, bytes, 4);
    Done().scheduled.push_back({NextDelay(), 0, kTicketResponse, std::move(response)});
    return ticket;
}
EXPORT void SteamAPI_ISteamUser_CancelAuthTicket(void*, uint32_t ticket) {
    Record("CancelAuthTicket", {ticket});
}
