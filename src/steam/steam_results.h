#pragma once
// Steam's asynchronous results: the calls that wait for them, matched by their
// handle, and the answers read from the result's bytes. Portable: the layouts
// are the SDK's for 64-bit Windows (packed to 8 bytes), checked below.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "steam/steam_call.h"

class SteamClient;

// Callback ids: k_iCallback of each structure.
inline constexpr int32_t kSteamApiCallCompleted = 703;
inline constexpr int32_t kGetTicketForWebApiResponse = 168;
inline constexpr int32_t kLeaderboardFindResult = 1104;
inline constexpr int32_t kLeaderboardScoresDownloaded = 1105;
inline constexpr int32_t kLeaderboardScoreUploaded = 1106;

#pragma pack(push, 8)
struct SteamApiCallCompletedLayout {
    uint64_t asyncCall;
    int32_t callback;
    uint32_t resultSize;
};
struct LeaderboardFindResultLayout {
    uint64_t leaderboard;
    uint8_t found;
};
struct LeaderboardScoreUploadedLayout {
    uint8_t success;
    uint64_t leaderboard;
    int32_t score;
    uint8_t scoreChanged;
    int32_t globalRankNew;
    int32_t globalRankPrevious;
};
struct LeaderboardScoresDownloadedLayout {
    uint64_t leaderboard;
    uint64_t entries;
    int32_t entryCount;
};
struct LeaderboardEntryLayout {
    uint64_t steamId;
    int32_t globalRank;
    int32_t score;
    int32_t detailCount;
    uint64_t ugc;
};
inline constexpr int32_t kWebApiTicketLimit = 2560;
struct GetTicketForWebApiResponseLayout {
    uint32_t ticket;
    int32_t result;
    int32_t ticketSize;
    uint8_t ticketBytes[kWebApiTicketLimit];
};
#pragma pack(pop)
static_assert(sizeof(SteamApiCallCompletedLayout) == 16);
static_assert(offsetof(SteamApiCallCompletedLayout, resultSize) == 12);
static_assert(sizeof(LeaderboardFindResultLayout) == 16);
static_assert(offsetof(LeaderboardScoreUploadedLayout, leaderboard) == 8);
static_assert(offsetof(LeaderboardScoreUploadedLayout, scoreChanged) == 20);
static_assert(offsetof(LeaderboardScoreUploadedLayout, globalRankPrevious) == 28);
static_assert(sizeof(LeaderboardScoreUploadedLayout) == 32);
static_assert(offsetof(LeaderboardScoresDownloadedLayout, entryCount) == 16);
static_assert(sizeof(LeaderboardScoresDownloadedLayout) == 24);
static_assert(offsetof(LeaderboardEntryLayout, ugc) == 24);
static_assert(sizeof(LeaderboardEntryLayout) == 32);
static_assert(offsetof(GetTicketForWebApiResponseLayout, ticketBytes) == 12);
static_assert(sizeof(GetTicketForWebApiResponseLayout) == 2572);

// A page call waiting for Steam: a call result by its SteamAPICall_t, or a web
// API ticket by its HAuthTicket.
struct SteamWait {
    enum class For { CallResult, Ticket };
    For what = For::CallResult;
    uint64_t handle = 0;
    SteamCall::Kind kind = SteamCall::Kind::Refused;
    nlohmann::json id, call; // echoed in the answer
};

// The callback id and size of the result a call result waits for.
struct SteamExpectedResult {
    int32_t callback = 0;
    size_t size = 0;
};
SteamExpectedResult ExpectedResultOf(SteamCall::Kind kind);

// The page calls still waiting, each answered "timed out" after 30 s; a result
// that comes back after that, or that no call waits for, is dropped.
class SteamWaits {
public:
    static constexpr uint64_t kTimeoutMs = 30000;
    static constexpr size_t kMostWaiting = 256;

    void Add(SteamWait wait, uint64_t nowMs);
    std::optional<SteamWait> Take(SteamWait::For what, uint64_t handle);
    std::vector<std::string> AnswersTimedOut(uint64_t nowMs);
    size_t Count() const { return waits_.size(); }

private:
    struct Waiting {
        uint64_t deadlineMs;
        SteamWait wait;
    };
    std::vector<Waiting> waits_;
};

std::optional<SteamApiCallCompletedLayout> ReadCallCompleted(const uint8_t* data, size_t size);
std::optional<GetTicketForWebApiResponseLayout> ReadTicketResponse(const uint8_t* data,
                                                                   size_t size);

// The answer to a call result; result empty when Steam failed the call. Entries
// are read from the client while the result is still Steam's to give.
std::string AnswerCallResult(const SteamWait& wait, const std::optional<std::string>& result,
                             SteamClient& client);
std::string AnswerTicket(const SteamWait& wait, const GetTicketForWebApiResponseLayout& response);

// {"type":"steam-result","id":...,"call":...,"ok":...,"value":...,"error":...};
// bytes that are not UTF-8 (a library's text) are written as U+FFFD.
std::string SteamResultText(const nlohmann::json& id, const nlohmann::json& call, bool ok,
                            const nlohmann::json& value, const std::string& error);
