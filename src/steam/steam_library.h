#pragma once
// The player's Steam client library: steam_api64.dll from the program's own
// folder, reached only through its flat C exports, on the UI thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include <windows.h>

#include "steam/steam_client.h"

inline constexpr char kSteamLibraryName[] = "steam_api64.dll";

class SteamLibrary final : public SteamClient {
public:
    // Loads the library and resolves every export the host calls; when one is
    // missing LoadFailure() says which, and only the destructor may follow.
    explicit SteamLibrary(const std::string& applicationFolder);
    ~SteamLibrary() override;
    SteamLibrary(const SteamLibrary&) = delete;
    SteamLibrary& operator=(const SteamLibrary&) = delete;

    const std::string& LoadFailure() const { return loadFailure_; }

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

    // The resolved exports (defined where they are resolved).
    struct Exports;

private:
    struct Interfaces {
        void* userStats = nullptr;
        void* friends = nullptr;
        void* utils = nullptr;
        void* apps = nullptr;
        void* user = nullptr;
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
    Interfaces interfaces_;
    int32_t pipe_ = 0;
    bool initialised_ = false;
};
