#pragma once
// One run of the host on the UI thread, from reading package.json to the exit
// code. Start-up goes in phases, each of which ends the run with an exit code
// or goes on: read the configuration, open the profile folder and the log, pass
// the gates (single instance, Steam's restart, the runtime), open the window,
// start the browser, run the loop.
// The owners each phase makes are members, declared in the order they are
// made, so they end in reverse on every exit path.
#include <optional>
#include <string>

#include <windows.h>

#include "app/host_owners.h"
#include "app/second_instance.h"
#include "app/window_placement.h"
#include "bootstrap/runtime_check.h"
#include "crash/last_run.h"
#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "saves/save_store.h"
#include "steam/steam_overlay.h"
#include "steam/steam_session.h"
#include "webview/velnor_webview.h"
#include "window/dpi_awareness.h"

class HostRun {
public:
    explicit HostRun(HINSTANCE instance) : instance_(instance) {}
    HostRun(const HostRun&) = delete;
    HostRun& operator=(const HostRun&) = delete;

    // Start-up, the message loop and, as the members end, shutdown.
    int Run();

private:
    using Outcome = std::optional<int>; // an exit code ends the run; nothing goes on
    Outcome ReadConfiguration();
    Outcome OpenUserData();
    Outcome OpenUserDataForGates();
    std::string AuthorLogPath() const;
    Outcome PassSingleInstanceGate();
    Outcome PassSteamGate();
    Outcome CollectCrashReports();
    Outcome OfferCrashReports();
    Outcome DecodeIcon();
    HICON WindowIcon();
    Outcome PassRuntimeGate();
    Outcome LoadExtension();
    Outcome OpenWindow();
    Outcome StartBrowser();
    void EnterFullScreenIfAsked();
    void OfferSaves();
    void OfferSteamOverlay();
    int RunLoop();

    const HINSTANCE instance_;
    std::string applicationFolder_;
    std::string userDataFolder_;
    AppManifest manifest_;
    HICON icon_ = nullptr;
    std::optional<RuntimeFound> runtime_;
    std::optional<SavedPlacement> placement_;
    DpiChoice dpi_; // chosen once, before any window
    HRESULT comStarted_ = E_FAIL;
    uint64_t logStart_ = 0; // the author's log's size before this run wrote to it
    LastRunReport lastRun_;
    HWND window_ = nullptr;

    // The owners. Each ends before the ones above it: the timers, Steam's overlay, then the web
    // view's publication (mapped files, g_webView, the window's browser), the window's links to
    // these owners, the extension library ("Release" may still post), GDI+, the browser objects,
    // Steam (SteamAPI_Shutdown) and last the single-instance name.
    std::optional<SingleInstance> singleInstance_;
    std::optional<RunRecord> runRecord_;
    std::optional<SteamSession> steam_;
    std::optional<SaveStore> saves_;
    // Shutdown steps that must end after the browser and before Steam go here.
    std::optional<VelnorWebView> browser_;
    std::optional<GdiplusSession> gdiplus_;
    std::optional<ExtensionSession> extensions_;
    std::optional<PlacementKeeper> placementKeeper_;
    std::optional<WindowStateLinks> windowLinks_;
    std::optional<PublishedWebView> published_;
    std::optional<SteamOverlay> overlay_;
    std::optional<SteamCallbackTimer> timers_;
};
