#include "manifest/manifest_player_keys.h"

#include <stdexcept>

#include "manifest/manifest.h"
#include "manifest/manifest_rules.h"
#include "util/text/json_lookup.h"

namespace {
// The word of a key that must be one of two; missing gives the first. Like
// "background-color", anything else refuses to start rather than guess.
bool IsSecondWord(const nlohmann::json& section, const char* key, const char* first,
                  const char* second, const char* failure) {
    auto it = section.find(key);
    if (it == section.end())
        return false;
    const std::string* word = it->get_ptr<const std::string*>();
    if (word && *word == first)
        return false;
    if (word && *word == second)
        return true;
    throw std::runtime_error(failure);
}
// Refused rather than clamped: a wait the author did not mean is a surprise
// at every close.
int32_t ParseCloseHandshake(const nlohmann::json& window) {
    constexpr int64_t kLongestWaitMs = 10000;
    auto it = window.find("close-handshake-ms");
    if (it == window.end())
        return 0;
    if (!it->is_number_integer() || *it < 0 || *it > kLongestWaitMs)
        throw std::runtime_error("invalid close handshake");
    return it->get<int32_t>();
}

// Which GPU the engine asks Windows for on a machine with two.
GpuPreference ParseGpu(const nlohmann::json& settings) {
    auto it = settings.find("gpu");
    if (it == settings.end())
        return GpuPreference::Default;
    const std::string* word = it->get_ptr<const std::string*>();
    if (word && *word == "default")
        return GpuPreference::Default;
    if (word && *word == "high-performance")
        return GpuPreference::HighPerformance;
    if (word && *word == "low-power")
        return GpuPreference::LowPower;
    throw std::runtime_error("invalid gpu");
}

FullScreenStart ParseFullScreenStart(const nlohmann::json& window) {
    if (!window.is_object() || !window.contains("fullscreen"))
        return FullScreenStart::Default;
    return StrictBool(window, "fullscreen", "invalid fullscreen") ? FullScreenStart::Always
                                                                  : FullScreenStart::Never;
}
} // namespace

void ReadPlayerKeys(const nlohmann::json& window, const nlohmann::json& settings,
                    AppManifest& manifest) {
    manifest.dpiAwareness =
        IsSecondWord(window, "dpi-awareness", "system", "per-monitor", "invalid dpi awareness")
            ? DpiAwareness::PerMonitor
            : DpiAwareness::System;
    manifest.show = IsSecondWord(window, "show", "when-ready", "at-once", "invalid show")
                        ? WindowShow::AtOnce
                        : WindowShow::WhenReady;
    manifest.fullscreenKeys = JsonBoolOr(window, "fullscreen-keys", false);
    manifest.fullScreenStart = ParseFullScreenStart(window);
    manifest.closeHandshakeMs = ParseCloseHandshake(window);
    manifest.habits.statusBar = JsonBoolOr(settings, "status-bar", true);
    manifest.habits.swipeNavigation = JsonBoolOr(settings, "swipe-navigation", true);
    manifest.habits.pinchZoom = JsonBoolOr(settings, "pinch-zoom", true);
    manifest.habits.autofill = JsonBoolOr(settings, "autofill", true);
    manifest.runInBackground = JsonBoolOr(settings, "run-in-background", false);
    manifest.autoplay = JsonBoolOr(settings, "autoplay", false);
    manifest.gpu = ParseGpu(settings);
    manifest.gamepads = IsSecondWord(settings, "gamepads", "browser", "host", "invalid gamepads")
                            ? GamepadSource::Host
                            : GamepadSource::Browser;
}
