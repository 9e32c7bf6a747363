#pragma once
// The application's settings, read from package.json beside the executable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class DistributionMode : int32_t { Evergreen = 0, Fixed = 1 };
enum class ContentMode : int32_t { Bundle = 0, Remote = 1 };

// Which context menu the page gets: the control's own, only the editing items,
// or none (the default one offers Reload, which wipes a game's state).
enum class ContextMenuMode : int32_t { Default = 0, Edit = 1, None = 2 };

// Whose dpi the window follows: the primary monitor's at log-on (Windows
// stretches it elsewhere), or each monitor's own.
enum class DpiAwareness : int32_t { System = 0, PerMonitor = 1 };

// When the window appears: at the page's first DOMContentLoaded, or right after
// it is created, in its background colour.
enum class WindowShow : int32_t { WhenReady = 0, AtOnce = 1 };

// Which compressed files ("settings": {"precompressed": ...}) are served decoded:
// the engines' usual ones ("auto"), every .br and .gz ("all"), or none.
enum class PrecompressedFiles : int32_t { Auto = 0, All = 1, None = 2 };

// The GPU the engine asks for on a machine with two: Windows' choice, the
// discrete one, or the integrated one.
enum class GpuPreference : int32_t { Default = 0, HighPerformance = 1, LowPower = 2 };
// Who reads the pads: the browser itself, or the host in its own process, where
// Steam Input's virtual pads are, handing them to the page.
enum class GamepadSource : int32_t { Browser = 0, Host = 1 };
// "window": {"fullscreen": ...}: absent, true or false.
enum class FullScreenStart : int32_t { Default = 0, Always = 1, Never = 2 };

// The browser's own habits a game may switch off; true leaves the runtime's default.
struct BrowserHabits {
    bool statusBar = true;
    bool swipeNavigation = true;
    bool pinchZoom = true;
    bool autofill = true;
};

struct ManifestMessages {
    std::string installWebview2;
    std::string downloading;
    // Caption of the window shown while a shipped runtime installer runs.
    std::string installing;
    std::string installWebview2Failed;
    // Failures at run time: the page could not be restarted; the page hangs.
    std::string crashed;
    std::string unresponsive;
};

// What page script may do with Steam beyond reading: each power only when the
// author grants it, since any script in the page can ask.
enum class SteamCloudAccess : int32_t { Read = 0, ReadWrite = 1 };

// The "steam" key: the application's Steam app id (0: no key, nothing of Steam
// is loaded) and whether a start outside Steam hands over to Steam.
struct SteamSettings {
    uint32_t appId = 0;
    bool restartThroughSteam = false;
    // The only hosts (lower case) whose https pages the overlay may open:
    // "overlay-hosts", or else Steam's own and the remote page's host.
    std::vector<std::string> overlayHosts;
    bool overlayHostsListed = false; // the author's list rather than the default
    SteamCloudAccess cloud = SteamCloudAccess::Read;
    bool leaderboardsCreate = false;
    // The identities "auth-ticket" may ask a ticket for; none by default.
    std::vector<std::string> authIdentities;
};

struct AppManifest {
    std::string name;
    std::string version; // package.json's own, for crash reports; may be empty
    std::string main;
    std::string title;
    int32_t width = 0;
    int32_t height = 0;
    std::string icon;
    bool resizable = true;
    // 0xRRGGBB: the window and the browser control show it until the page paints.
    uint32_t backgroundColor = 0xFFFFFF;
    std::string chromiumArgs;
    ContentMode contentMode = ContentMode::Bundle;
    DistributionMode distributionMode = DistributionMode::Evergreen;
    bool enableDevtools = true;
    // Every local answer carries the headers that make the page cross-origin
    // isolated (SharedArrayBuffer, threaded WebAssembly).
    bool crossOriginIsolation = false;
    PrecompressedFiles precompressed = PrecompressedFiles::Auto;
    // The player's window: placement kept between runs, one copy at a time, and
    // a smallest client area in 96-dpi units (0: none).
    bool rememberPlacement = false;
    bool singleInstance = false;
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    ContextMenuMode contextMenu = ContextMenuMode::Default;
    // What players expect of a game's window (manifest_player_keys.cpp).
    DpiAwareness dpiAwareness = DpiAwareness::System;
    WindowShow show = WindowShow::WhenReady;
    bool fullscreenKeys = false;
    BrowserHabits habits;
    bool runInBackground = false;
    bool autoplay = false;
    GpuPreference gpu = GpuPreference::Default;
    FullScreenStart fullScreenStart = FullScreenStart::Default;
    GamepadSource gamepads = GamepadSource::Browser;
    // How long a player's close waits for the page's "close-ready" (0: not at all).
    int32_t closeHandshakeMs = 0;
    // What page script may reach through its directory handles: a bit per
    // position offered (all by default), and per position the author lets it
    // write even where it holds the program folder ("writable-directory-handles").
    uint32_t directoryHandles = (1u << 14) - 1;
    uint32_t writableDirectoryHandles = 0;
    // Each save the page writes ("save-write") goes to Steam Cloud too.
    bool savesSteamCloud = false;
    // A bit per runtime permission kind allowed without the runtime's prompt.
    uint32_t allowedPermissions = 0;
    ManifestMessages messages;
    SteamSettings steam;
};

// Fills every field from the manifest text. Throws the JSON
// library's parse error, or std::runtime_error with "invalid name",
// "invalid distribution mode", "invalid content mode" or
// "invalid cross-origin isolation" (a value that is not a boolean) or
// "invalid background color" (not a "#RRGGBB" text) or
// "invalid context menu" (anything but "default", "edit" or "none") or
// "invalid precompressed" (anything but "auto", "all" or "none") or
// "invalid dpi awareness" / "invalid show" / "invalid gpu" / "invalid gamepads"
// (a word other than their own) or
// "invalid close handshake" (not an integer from 0 to 10,000) or
// "invalid steam app id" (a "steam" key without a positive 32-bit "app-id") or
// "invalid steam overlay hosts" (not an array of host names) or
// "invalid steam cloud" / "invalid steam leaderboards create" /
// "invalid steam auth identities" or
// "invalid saves" / "invalid saves steam cloud" or
// "invalid main" (remote mode with an address that is not trusted) or
// "invalid directory handles" / "invalid writable directory handles" /
// "invalid permissions". An unsafe name is an "invalid name".
void ParseManifest(const std::string& text, AppManifest& manifest);
