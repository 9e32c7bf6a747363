#pragma once
// Steam for the application that asks for it in package.json: the library
// loaded and initialised at start, the page's calls answered, Steam's
// callbacks run on the UI thread, and the API shut down at the very end.
#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include "manifest/manifest.h"
#include "steam/steam_answer.h"

class SteamLibrary;

// What the overlay's owner hears from Steam's frame.
struct SteamOverlayWatch {
    std::function<void(bool active)> activated; // GameOverlayActivated_t
    std::function<void()> screenshotRequested;  // ScreenshotRequested_t, once hooked
    std::function<void()> frame;                // after each frame's callbacks
};

class SteamSession {
public:
    // Loads nothing without a "steam" key.
    SteamSession(const SteamSettings& settings, const std::string& applicationFolder);
    ~SteamSession();
    SteamSession(const SteamSession&) = delete;
    SteamSession& operator=(const SteamSession&) = delete;

    // True when Steam starts the program again itself: this copy ends at once.
    // Otherwise initialises the API; a failure leaves Steam unavailable with
    // its reason, and the game runs on.
    bool HandOverToSteam();

    bool Available() const { return availability_.client != nullptr; }
    // Steam is available and its library has the family's exports.
    bool Has(SteamFamily family) const { return Available() && availability_.families.Has(family); }
    // The library while Steam is available, else null.
    SteamClient* Client() const { return availability_.client; }
    // The library itself while Steam is available, else null.
    SteamLibrary* Library() const { return Available() ? library_.get() : nullptr; }
    void WatchOverlay(SteamOverlayWatch watch) { overlayWatch_ = std::move(watch); }
    // The answer to one parsed "steam" message from the page; empty when it
    // waits for Steam's result, which a later DispatchCallbacks posts.
    std::string Answer(const nlohmann::json& message);
    // Runs Steam's frame; the overlay's callbacks become page events, results
    // answer the calls that wait for them, and calls waiting too long time out.
    void DispatchCallbacks(const std::function<void(const std::string& json)>& postToPage);

private:
    using Post = std::function<void(const std::string& json)>;
    void Initialise();
    void AnswerCallResult(const uint8_t* data, int32_t size, const Post& postToPage);
    void AnswerTicket(const uint8_t* data, int32_t size, const Post& postToPage);

    const SteamSettings settings_;
    std::unique_ptr<SteamLibrary> library_;
    SteamAvailability availability_;
    SteamWaits waits_;
    SteamOverlayWatch overlayWatch_;
};

// Runs the session's callbacks on a timer of the main window while Steam is
// available, from the message loop; ends with the window or with this object.
class SteamCallbackTimer {
public:
    SteamCallbackTimer(SteamSession& session, HWND mainWindow,
                       std::function<void(const std::string& json)> postToPage);
    ~SteamCallbackTimer();
    SteamCallbackTimer(const SteamCallbackTimer&) = delete;
    SteamCallbackTimer& operator=(const SteamCallbackTimer&) = delete;

private:
    static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);

    SteamSession& session_;
    HWND mainWindow_;
    std::function<void(const std::string& json)> postToPage_;
    bool running_ = false;
};
