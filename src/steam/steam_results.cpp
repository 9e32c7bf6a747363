#include "steam/steam_results.h"

#include <algorithm>
#include <cstring>

#include "steam/steam_bytes.h"
#include "steam/steam_client.h"

namespace {
using Kind = SteamCall::Kind;
constexpr int32_t kResultOk = 1; // EResult k_EResultOK

template <typename Layout>
std::optional<Layout> Read(const uint8_t* data, size_t size) {
    if (!data || size < sizeof(Layout))
        return std::nullopt;
    Layout layout;
    std::memcpy(&layout, data, sizeof(Layout));
    return layout;
}

std::string Answered(const SteamWait& wait, const nlohmann::json& value) {
    return SteamResultText(wait.id, wait.call, true, value, {});
}
std::string Failed(const SteamWait& wait, const std::string& error) {
    return SteamResultText(wait.id, wait.call, false, nullptr, error);
}

nlohmann::json EntryValue(const SteamLeaderboardEntry& entry, SteamClient& client) {
    const std::optional<std::string> persona = client.PersonaNameOf(entry.steamId);
    return {{"rank", entry.rank},
            {"score", entry.score},
            {"steamId", std::to_string(entry.steamId)},
            {"personaName", persona ? nlohmann::json(*persona) : nlohmann::json()},
            {"details", entry.details}};
}

std::string AnswerEntries(const SteamWait& wait, const LeaderboardScoresDownloadedLayout& result,
                          SteamClient& client) {
    nlohmann::json entries = nlohmann::json::array();
    // Never more than a call may ask for, whatever the count says.
    const int32_t count = std::clamp(result.entryCount, 0, kSteamLeaderboardEntriesLimit);
    for (int32_t index = 0; index < count; ++index)
        if (const auto entry = client.DownloadedLeaderboardEntry(result.entries, index))
            entries.push_back(EntryValue(*entry, client));
    return Answered(wait, entries);
}

std::string AnswerLayout(const SteamWait& wait, const std::string& bytes, SteamClient& client) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (wait.kind == Kind::LeaderboardFind) {
        const auto found = Read<LeaderboardFindResultLayout>(data, bytes.size());
        if (found && found->found && found->leaderboard)
            return Answered(wait, std::to_string(found->leaderboard));
        if (found)
            return Failed(wait, "Steam has no leaderboard of that name");
    } else if (wait.kind == Kind::LeaderboardUpload) {
        const auto uploaded = Read<LeaderboardScoreUploadedLayout>(data, bytes.size());
        if (uploaded && uploaded->success)
            return Answered(wait, {{"scoreChanged", uploaded->scoreChanged != 0},
                                   {"globalRankNew", uploaded->globalRankNew},
                                   {"globalRankPrevious", uploaded->globalRankPrevious}});
        if (uploaded)
            return Failed(wait, "Steam did not take the score");
    } else if (const auto downloaded =
                   Read<LeaderboardScoresDownloadedLayout>(data, bytes.size())) {
        return AnswerEntries(wait, *downloaded, client);
    }
    return Failed(wait, "Steam's result is shorter than expected");
}
} // namespace

SteamExpectedResult ExpectedResultOf(SteamCall::Kind kind) {
    switch (kind) {
    case Kind::LeaderboardFind:
        return {kLeaderboardFindResult, sizeof(LeaderboardFindResultLayout)};
    case Kind::LeaderboardUpload:
        return {kLeaderboardScoreUploaded, sizeof(LeaderboardScoreUploadedLayout)};
    case Kind::LeaderboardEntries:
        return {kLeaderboardScoresDownloaded, sizeof(LeaderboardScoresDownloadedLayout)};
    default:
        return {};
    }
}

void SteamWaits::Add(SteamWait wait, uint64_t nowMs) {
    waits_.push_back({nowMs + kTimeoutMs, std::move(wait)});
}

std::optional<SteamWait> SteamWaits::Take(SteamWait::For what, uint64_t handle) {
    const auto it = std::find_if(waits_.begin(), waits_.end(), [&](const Waiting& waiting) {
        return waiting.wait.what == what && waiting.wait.handle == handle;
    });
    if (it == waits_.end())
        return std::nullopt;
    SteamWait wait = std::move(it->wait);
    waits_.erase(it);
    return wait;
}

std::vector<std::string> SteamWaits::AnswersTimedOut(uint64_t nowMs) {
    std::vector<std::string> answers;
    const auto late = std::stable_partition(waits_.begin(), waits_.end(), [&](const Waiting& w) {
        return w.deadlineMs > nowMs;
    });
    for (auto it = late; it != waits_.end(); ++it)
        answers.push_back(Failed(it->wait, "timed out"));
    waits_.erase(late, waits_.end());
    return answers;
}

std::optional<SteamApiCallCompletedLayout> ReadCallCompleted(const uint8_t* data, size_t size) {
    return Read<SteamApiCallCompletedLayout>(data, size);
}

std::optional<GetTicketForWebApiResponseLayout> ReadTicketResponse(const uint8_t* data,
                                                                   size_t size) {
    return Read<GetTicketForWebApiResponseLayout>(data, size);
}

std::string AnswerCallResult(const SteamWait& wait, const std::optional<std::string>& result,
                             SteamClient& client) {
    if (!result)
        return Failed(wait, "Steam could not complete the call");
    return AnswerLayout(wait, *result, client);
}

std::string AnswerTicket(const SteamWait& wait, const GetTicketForWebApiResponseLayout& response) {
    if (response.result != kResultOk)
        return Failed(wait, "Steam made no ticket (result " + std::to_string(response.result) + ")");
    const size_t size = static_cast<size_t>(std::clamp(response.ticketSize, 0, kWebApiTicketLimit));
    return Answered(wait, HexOf(response.ticketBytes, size));
}

std::string SteamResultText(const nlohmann::json& id, const nlohmann::json& call, bool ok,
                            const nlohmann::json& value, const std::string& error) {
    const nlohmann::json message = {{"type", "steam-result"}, {"id", id},       {"call", call},
                                    {"ok", ok},               {"value", value},
                                    {"error", ok ? nlohmann::json() : nlohmann::json(error)}};
    return message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
