#pragma once
// A SteamClient for the native tests: records every call that reaches it, as
// "Name(args)", and answers as told.
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "manifest/manifest.h"
#include "steam/steam_client.h"
#include "steam/steam_families.h"

// App 480 with every power a manifest can grant, so each call's own rules are
// tested apart from the grants.
inline const SteamSettings* EverythingGranted() {
    static const SteamSettings settings = [] {
        SteamSettings granted;
        granted.appId = 480;
        granted.overlayHosts = {"example.com"};
        granted.cloud = SteamCloudAccess::ReadWrite;
        granted.leaderboardsCreate = true;
        granted.authIdentities = {"", "my-server"};
        return granted;
    }();
    return &settings;
}

// A library with every export the host calls.
inline SteamFamilies EveryFamily() {
    return SteamFamilies([](std::string_view) { return true; });
}

// Records every call that reaches it, as "Name(args)", and answers as told.
class RecordingClient final : public SteamClient {
public:
    std::vector<std::string> calls;
    bool accepts = true;
    std::optional<bool> achieved = true;

    SteamPlayer Player() override { return {76561197960287930ull, "Ann", "german", true, true}; }
    bool SetAchievement(const std::string& n) override { return Record("SetAchievement(" + n); }
    bool ClearAchievement(const std::string& n) override { return Record("ClearAchievement(" + n); }
    std::optional<bool> GetAchievement(const std::string& n) override {
        Record("GetAchievement(" + n);
        return achieved;
    }
    bool SetStatInt(const std::string& n, int32_t v) override {
        return Record("SetStatInt(" + n + "," + std::to_string(v));
    }
    bool SetStatFloat(const std::string& n, float v) override {
        return Record("SetStatFloat(" + n + "," + std::to_string(v));
    }
    std::optional<int32_t> GetStatInt(const std::string& n) override {
        Record("GetStatInt(" + n);
        return accepts ? std::optional<int32_t>(-7) : std::nullopt;
    }
    std::optional<float> GetStatFloat(const std::string& n) override {
        Record("GetStatFloat(" + n);
        return 2.5f;
    }
    bool StoreStats() override { return Record("StoreStats("); }
    bool SetRichPresence(const std::string& k, const std::string& v) override {
        return Record("SetRichPresence(" + k + "," + v);
    }
    bool IsDlcInstalled(uint32_t id) override {
        return Record("IsDlcInstalled(" + std::to_string(id));
    }
    void ActivateOverlay(const std::string& d) override { Record("ActivateOverlay(" + d); }
    void ActivateOverlayToWebPage(const std::string& u) override {
        Record("ActivateOverlayToWebPage(" + u);
    }

    // Cloud: the files it holds; asynchronous calls: the handle each returns.
    std::map<std::string, std::string> files;
    std::map<std::string, int64_t> times; // each file's time in seconds (0 unless set)
    SteamCloudState cloud{true, false, 1000, 600};
    uint64_t nextHandle = 0x1234567890ABCDEFull;
    std::vector<SteamLeaderboardEntry> entries;

    SteamCloudState CloudState() override { return cloud; }
    bool CloudWrite(const std::string& f, const std::string& bytes) override {
        files[f] = bytes;
        return Record("CloudWrite(" + f + "," + std::to_string(bytes.size()));
    }
    std::optional<std::string> CloudRead(const std::string& f) override {
        Record("CloudRead(" + f);
        return files.count(f) ? std::optional<std::string>(files[f]) : std::nullopt;
    }
    bool CloudDelete(const std::string& f) override { return Record("CloudDelete(" + f); }
    bool CloudExists(const std::string& f) override {
        Record("CloudExists(" + f);
        return files.count(f) != 0;
    }
    std::optional<int64_t> CloudTime(const std::string& f) override {
        Record("CloudTime(" + f);
        return files.count(f) ? std::optional<int64_t>(times[f]) : std::nullopt;
    }
    std::vector<SteamCloudFile> CloudFiles() override {
        Record("CloudFiles(");
        std::vector<SteamCloudFile> list;
        for (const auto& [name, bytes] : files)
            list.push_back({name, static_cast<int32_t>(bytes.size())});
        return list;
    }
    uint64_t FindLeaderboard(const std::string& n, int32_t sort, int32_t display) override {
        return Started("FindLeaderboard(" + n + "," + std::to_string(sort) + "," +
                       std::to_string(display));
    }
    uint64_t UploadLeaderboardScore(uint64_t board, int32_t method, int32_t score,
                                    const std::vector<int32_t>& details) override {
        std::ostringstream text; // GCC 12 warns falsely on a long chain of "+"
        text << "Upload(" << board << "," << method << "," << score;
        for (int32_t detail : details)
            text << "," << detail;
        return Started(text.str());
    }
    uint64_t DownloadLeaderboardEntries(uint64_t board, int32_t range, int32_t start,
                                        int32_t end) override {
        return Started("Download(" + std::to_string(board) + "," + std::to_string(range) + "," +
                       std::to_string(start) + "," + std::to_string(end));
    }
    std::optional<SteamLeaderboardEntry> DownloadedLeaderboardEntry(uint64_t,
                                                                    int32_t index) override {
        Record("Entry(" + std::to_string(index));
        if (index < 0 || static_cast<size_t>(index) >= entries.size())
            return std::nullopt;
        return entries[static_cast<size_t>(index)];
    }
    std::optional<std::string> PersonaNameOf(uint64_t id) override {
        if (id == 76561197960287930ull)
            return "Ann";
        return std::nullopt;
    }
    uint32_t RequestWebApiTicket(const std::string& identity) override {
        return static_cast<uint32_t>(Started("Ticket(" + identity));
    }

    // On a Deck or in Big Picture unless told otherwise.
    bool deckOrBigPicture = true;
    bool NeedsFloatingKeyboard() override { return deckOrBigPicture; }
    bool ShowFloatingKeyboard(int32_t mode, const SteamScreenRect& f) override {
        std::ostringstream text;
        text << "ShowFloatingKeyboard(" << mode << "," << f.x << "," << f.y << "," << f.width
             << "," << f.height;
        return Record(text.str());
    }

    uint64_t Started(const std::string& call) {
        Record(call);
        return accepts ? nextHandle++ : 0;
    }

    bool Record(const std::string& call) {
        calls.push_back(call + ")");
        return accepts;
    }
};

