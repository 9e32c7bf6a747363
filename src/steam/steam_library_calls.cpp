// Steam Cloud, leaderboards and web API tickets through the library's exports.
#include <algorithm>
#include <string>
#include <vector>

#include "steam/steam_exports.h"

namespace {
// No result the host reads comes near this; a larger size is not fetched.
constexpr uint32_t kLargestCallResult = 64 * 1024;
// Steam keeps far fewer files an app; a count beyond this is not believed.
constexpr int32_t kMostCloudFiles = 100000;
} // namespace

SteamCloudState SteamLibrary::CloudState() {
    const SteamCloudExports& e = exports_->cloud;
    void* storage = interfaces_.remoteStorage;
    SteamCloudState state{e.enabledForAccount(storage), e.enabledForApp(storage), {}, {}};
    uint64_t total = 0, available = 0;
    if (e.quota(storage, &total, &available)) {
        state.totalBytes = total;
        state.availableBytes = available;
    }
    return state;
}

bool SteamLibrary::CloudWrite(const std::string& file, const std::string& bytes) {
    return exports_->cloud.write(interfaces_.remoteStorage, file.c_str(), bytes.data(),
                                 static_cast<int32_t>(bytes.size()));
}

std::optional<std::string> SteamLibrary::CloudRead(const std::string& file) {
    const SteamCloudExports& e = exports_->cloud;
    const int32_t size = e.size(interfaces_.remoteStorage, file.c_str());
    if (size < 0 || static_cast<size_t>(size) > kSteamCloudFileLimit)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && e.read(interfaces_.remoteStorage, file.c_str(), bytes.data(), size) != size)
        return std::nullopt;
    return bytes;
}

bool SteamLibrary::CloudDelete(const std::string& file) {
    return exports_->cloud.remove(interfaces_.remoteStorage, file.c_str());
}

bool SteamLibrary::CloudExists(const std::string& file) {
    return exports_->cloud.exists(interfaces_.remoteStorage, file.c_str());
}

std::optional<int64_t> SteamLibrary::CloudTime(const std::string& file) {
    if (!CloudExists(file))
        return std::nullopt;
    return exports_->cloud.timestamp(interfaces_.remoteStorage, file.c_str());
}

std::vector<SteamCloudFile> SteamLibrary::CloudFiles() {
    const SteamCloudExports& e = exports_->cloud;
    const int32_t count = e.count(interfaces_.remoteStorage);
    std::vector<SteamCloudFile> files;
    for (int32_t index = 0; index < count && index < kMostCloudFiles; ++index) {
        int32_t size = 0;
        if (const char* name = e.nameAndSize(interfaces_.remoteStorage, index, &size))
            files.push_back({name, size});
    }
    return files;
}

uint64_t SteamLibrary::FindLeaderboard(const std::string& name, int32_t sort, int32_t display) {
    const SteamAsyncExports& e = exports_->async;
    if (sort == 0)
        return e.findLeaderboard(interfaces_.userStats, name.c_str());
    return e.findOrCreateLeaderboard(interfaces_.userStats, name.c_str(), sort, display);
}

uint64_t SteamLibrary::UploadLeaderboardScore(uint64_t board, int32_t method, int32_t score,
                                              const std::vector<int32_t>& details) {
    return exports_->async.uploadScore(interfaces_.userStats, board, method, score,
                                       details.empty() ? nullptr : details.data(),
                                       static_cast<int32_t>(details.size()));
}

uint64_t SteamLibrary::DownloadLeaderboardEntries(uint64_t board, int32_t range, int32_t start,
                                                  int32_t end) {
    return exports_->async.downloadEntries(interfaces_.userStats, board, range, start, end);
}

std::optional<SteamLeaderboardEntry> SteamLibrary::DownloadedLeaderboardEntry(uint64_t entries,
                                                                              int32_t index) {
    LeaderboardEntryLayout entry = {};
    int32_t details[kSteamScoreDetailsLimit] = {};
    if (!exports_->async.downloadedEntry(interfaces_.userStats, entries, index, &entry, details,
                                         static_cast<int32_t>(kSteamScoreDetailsLimit)))
        return std::nullopt;
    const auto count = static_cast<size_t>(
        std::clamp(entry.detailCount, 0, static_cast<int32_t>(kSteamScoreDetailsLimit)));
    return SteamLeaderboardEntry{entry.steamId, entry.globalRank, entry.score,
                                 std::vector<int32_t>(details, details + count)};
}

std::optional<std::string> SteamLibrary::PersonaNameOf(uint64_t steamId) {
    const char* name = exports_->async.friendPersonaName(interfaces_.friends, steamId);
    // Steam answers "" or "[unknown]" for a player it has not heard of yet.
    if (!name || !*name || std::string(name) == "[unknown]")
        return std::nullopt;
    return std::string(name);
}

uint32_t SteamLibrary::RequestWebApiTicket(const std::string& identity) {
    const uint32_t ticket = exports_->async.webApiTicket(
        interfaces_.user, identity.empty() ? nullptr : identity.c_str());
    if (!ticket)
        return ticket;
    // A page that keeps asking cannot hold more: the oldest is cancelled.
    if (tickets_.size() == kMostLiveTickets) {
        exports_->async.cancelTicket(interfaces_.user, tickets_.front());
        tickets_.erase(tickets_.begin());
    }
    tickets_.push_back(ticket);
    return ticket;
}

std::optional<std::string> SteamLibrary::CallResult(uint64_t call, int32_t expectedCallback,
                                                    uint32_t size) {
    if (size == 0 || size > kLargestCallResult)
        return std::nullopt;
    std::string result(size, '\0');
    bool failed = true;
    if (!exports_->async.callResult(pipe_, call, result.data(), static_cast<int32_t>(size),
                                    expectedCallback, &failed) ||
        failed)
        return std::nullopt;
    return result;
}
