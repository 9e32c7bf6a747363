#pragma once
// The browser's command line: the manifest's "chromium-args" and the switches
// that the opt-in keys ask of the engine.
#include <string>

struct AppManifest;

// The engine throttles timers and frames of a hidden or covered window; these
// switches keep a game running in the background.
inline constexpr char kRunInBackgroundSwitches[] =
    "--disable-background-timer-throttling --disable-backgrounding-occluded-windows "
    "--disable-renderer-backgrounding";
// Media may play before the first click or key.
inline constexpr char kAutoplaySwitch[] = "--autoplay-policy=no-user-gesture-required";

// Chromium's own switches for the GPU of a machine with two (gpu_switches).
inline constexpr char kHighPerformanceGpuSwitch[] = "--force_high_performance_gpu";
inline constexpr char kLowPowerGpuSwitch[] = "--force_low_power_gpu";

// "chromium-args" as written, followed by the switches of the keys that are on.
std::string BrowserArguments(const AppManifest& manifest);

// The author's log's words for the GPU asked for: empty for Windows' choice.
std::string GpuChoiceText(const AppManifest& manifest);
