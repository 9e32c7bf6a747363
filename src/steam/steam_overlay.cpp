#include "steam/steam_overlay.h"

#include "steam/steam_library.h"
#include "util/log/author_log.h"

const char kOverlayKeyScript[] = R"js((() => {
  window.addEventListener('keydown', (event) => {
    if (event.key !== 'Tab' || !event.shiftKey || event.ctrlKey || event.altKey || event.metaKey) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    if (!event.repeat) window.chrome.webview.postMessage('{"type":"overlay-key"}');
  }, true);
})();)js";

namespace {
// Steam says it opened within this long, or the surface goes: a still page the
// player cannot leave is worse than no overlay.
constexpr uint64_t kSteamAnswerMs = 5000;

// Steam takes screenshots as packed RGB rows.
std::vector<uint8_t> PackedRgb(const PagePixels& page) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(page.width) * page.height * 3);
    for (size_t at = 0; at + 4 <= page.bgra.size(); at += 4) {
        rgb.push_back(page.bgra[at + 2]);
        rgb.push_back(page.bgra[at + 1]);
        rgb.push_back(page.bgra[at]);
    }
    return rgb;
}
} // namespace

SteamOverlay::SteamOverlay(SteamSession& steam, HWND mainWindow, CapturePage capturePage)
    : library_(steam.Library()), capturePage_(std::move(capturePage)) {
    if (!library_)
        return;
    if (steam.Has(SteamFamily::Screenshots)) {
        library_->HookScreenshots();
        screenshots_ = true;
    }
    if (steam.Has(SteamFamily::Friends) && library_->OverlayEnabled())
        surface_.emplace(mainWindow);
    else
        LogForAuthor("Steam's overlay is not enabled for this game: it gets no surface");
    if (!HasSurface() && !screenshots_)
        return;
    library_->WhenOverlayAsked([this] { Open(); });
    steam.WatchOverlay({[this](bool active) { OnActivated(active); },
                        [this] {
                            capturePage_([this, alive = std::weak_ptr<char>(alive_)](
                                             PagePixels page) {
                                if (alive.lock())
                                    WriteScreenshot(page);
                            });
                        },
                        [this] { OnFrame(); }});
}

SteamOverlay::~SteamOverlay() {
    if (library_)
        library_->WhenOverlayAsked(nullptr);
}

void SteamOverlay::OnOverlayKey() {
    if (HasSurface())
        library_->ActivateOverlay("Friends");
}

bool SteamOverlay::OnScreenshotKey() {
    if (!screenshots_)
        return false;
    library_->TriggerScreenshot();
    return true;
}

// The surface shows once the page's image is in; an overlay closed meanwhile
// leaves it hidden.
void SteamOverlay::Open() {
    if (!HasSurface() || state_ != State::Closed)
        return;
    state_ = State::Capturing;
    askedAt_ = GetTickCount64();
    const uint64_t opening = ++opening_;
    capturePage_([this, opening, alive = std::weak_ptr<char>(alive_)](PagePixels page) {
        if (!alive.lock() || opening != opening_ || state_ != State::Capturing)
            return;
        state_ = State::Shown;
        surface_->Show(page);
    });
}

void SteamOverlay::Close() {
    state_ = State::Closed;
    steamOpened_ = false;
    ++opening_;
    if (surface_)
        surface_->Hide();
}

void SteamOverlay::OnActivated(bool active) {
    if (!active)
        return Close();
    steamOpened_ = true;
    Open();
}

void SteamOverlay::OnFrame() {
    if (state_ != State::Closed && !steamOpened_ && GetTickCount64() - askedAt_ > kSteamAnswerMs) {
        LogForAuthor("Steam's overlay did not open: its surface is hidden again");
        Close();
    }
}

void SteamOverlay::WriteScreenshot(const PagePixels& page) {
    std::vector<uint8_t> rgb = PackedRgb(page);
    if (page.width <= 0 || !library_->WriteScreenshot(rgb, page.width, page.height))
        LogForAuthor("Steam's screenshot could not be written");
}
