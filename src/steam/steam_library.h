#pragma once
// The player's Steam client library: steam_api64.dll from the program's own
// folder, reached only through its flat C exports, on the UI thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <windows.h>

#include "steam/steam_client.h"
#include "steam/steam_families.h"

class SteamLibrary final : public SteamClient {
public:
    // Loads the library and resolves the exports the host calls; when one of
    // the core is missing LoadFailure() says which, and only the destructor
    // may follow. Only the calls of the families Families() has may be made.
    explicit SteamLibrary(const std::string& applicationFolder);
    ~SteamLibrary() override;
    SteamLibrary(const SteamLibrary&) = delete;
    SteamLibrary& operator=(const SteamLibrary&) = delete;

    const std::string& LoadFailure() const { return loadFailure_; }
    const SteamFamilies& Families() const { return families_; }

    bool RestartAppIfNecessary(uint32_t appId);
    // Initialises the API, manual dispatch and the interfaces: empty on
    // success, else the reason (the library's own message when it gives one).
    std::string Init();
    // Hands each pending callback to handle (its id, its data while handle runs).
    using CallbackHandler = std::function<void(int32_t id, const uint8_t* data, int32_t size)>;
    void DispatchCallbacks(const CallbackHandler& handle);

    SteamPlayer Player() override;
    bool SetAchievement(const std::string& name) override;
    bool ClearAchievement(const std::string& name) override;
    std::optional<bool> GetAchievement(const std::string& name) override;
    bool SetStatInt(const std::string& name, int32_t value) override;
    bool SetStatFloat(const std::string& name, float value) override;
    std::optional<int32_t> GetStatInt(const std::string& name) override;
    std::optional<float> GetStatFloat(const std::string& name) override;
    bool StoreStats() override;
    bool SetRichPresence(const std::string& key, const std::string& value) override;
    bool IsDlcInstalled(uint32_t appId) override;
    void ActivateOverlay(const std::string& dialog) override;
    void ActivateOverlayToWebPage(const std::string& url) override;
    // Runs after every call that asks Steam to open its overlay.
    void WhenOverlayAsked(std::function<void()> asked) { overlayAsked_ = std::move(asked); }
    // Steam says its overlay can show in this process (the utils family).
    bool OverlayEnabled();
    // The screenshots family: the host writes each screenshot Steam asks for.
    void HookScreenshots();
    void TriggerScreenshot();
    bool WriteScreenshot(std::vector<uint8_t>& rgb, int32_t width, int32_t height);

    SteamCloudState CloudState() override;
    bool CloudWrite(const std::string& file, const std::string& bytes) override;
    std::optional<std::string> CloudRead(const std::string& file) override;
    bool CloudDelete(const std::string& file) override;
    bool CloudExists(const std::string& file) override;
    std::optional<int64_t> CloudTime(const std::string& file) override;
    std::vector<SteamCloudFile> CloudFiles() override;

    uint64_t FindLeaderboard(const std::string& name, int32_t sort, int32_t display) override;
    uint64_t UploadLeaderboardScore(uint64_t board, int32_t method, int32_t score,
                                    const std::vector<int32_t>& details) override;
    uint64_t DownloadLeaderboardEntries(uint64_t board, int32_t range, int32_t start,
                                        int32_t end) override;
    std::optional<SteamLeaderboardEntry> DownloadedLeaderboardEntry(uint64_t entries,
                                                                    int32_t index) override;
    std::optional<std::string> PersonaNameOf(uint64_t steamId) override;
    // Kept to be cancelled before the API shuts down.
    uint32_t RequestWebApiTicket(const std::string& identity) override;

    // The result of a completed call, fetched into a buffer of its size;
    // empty when Steam failed it or it is not the callback expected.
    std::optional<std::string> CallResult(uint64_t call, int32_t expectedCallback, uint32_t size);

    // The resolved exports (defined where they are resolved).
    struct Exports;

private:
    struct Interfaces {
        void* userStats = nullptr;
        void* friends = nullptr;
        void* utils = nullptr;
        void* apps = nullptr;
        void* user = nullptr;
        void* remoteStorage = nullptr;
        void* screenshots = nullptr;
    };
    struct ModuleFree {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };

    void Load(const std::string& applicationFolder);
    std::string InitApi();
    std::string FindInterfaces();

    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> module_;
    std::unique_ptr<Exports> exports_;
    std::string loadFailure_;
    SteamFamilies families_;
    Interfaces interfaces_;
    static constexpr size_t kMostLiveTickets = 16;
    std::vector<uint32_t> tickets_; // live, oldest first
    int32_t pipe_ = 0;
    std::function<void()> overlayAsked_;
    bool initialised_ = false;
};
