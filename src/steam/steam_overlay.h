#pragma once
// Steam's overlay over the page, and Steam's screenshots of it. The runtime
// draws the page in its own processes, where Steam's overlay cannot reach: the
// overlay draws on the host's own surface instead, opened when the host asks
// Steam for the overlay (Shift+Tab, or a page's call) or when Steam says it
// opened, and hidden when Steam says it closed. F12 asks Steam for a
// screenshot, which the host writes from the page's image.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <windows.h>

#include "steam/overlay_surface.h"
#include "steam/steam_session.h"
#include "util/page_pixels.h"

// The page's side: Shift+Tab is the host's, posted as {"type":"overlay-key"},
// before the page's own listeners see it.
extern const char kOverlayKeyScript[];

class SteamOverlay {
public:
    // Hands the page's current image to `done`, later (empty on failure).
    using CapturePage = std::function<void(std::function<void(PagePixels)> done)>;
    // No surface and no Direct3D unless Steam is available and its overlay enabled.
    SteamOverlay(SteamSession& steam, HWND mainWindow, CapturePage capturePage);
    ~SteamOverlay();
    SteamOverlay(const SteamOverlay&) = delete;
    SteamOverlay& operator=(const SteamOverlay&) = delete;

    // The overlay has a surface: the page gets the Shift+Tab script.
    bool HasSurface() const { return surface_ && surface_->Ready(); }
    // Shift+Tab in the page.
    void OnOverlayKey();
    // F12 in the page; true when Steam takes it as its screenshot key.
    bool OnScreenshotKey();
    bool TakesScreenshots() const { return screenshots_; }

private:
    void Open();
    void Close();
    void OnActivated(bool active);
    void OnFrame();
    void WriteScreenshot(const PagePixels& page);

    SteamLibrary* const library_;
    CapturePage capturePage_;
    std::optional<OverlaySurface> surface_;
    bool screenshots_ = false;
    enum class State { Closed, Capturing, Shown } state_ = State::Closed;
    bool steamOpened_ = false;   // Steam said it opened since the host asked
    uint64_t askedAt_ = 0;       // GetTickCount64 when the host opened it
    uint64_t opening_ = 0;       // which opening a capture belongs to
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};
