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

// Chromium 117 and later also read pads through Windows.Gaming.Input, which
// answers only a focused window and sees none of the virtual pads Steam Input
// gives the game's own process; with it off, pads are read through XInput. The
// runtime merges feature switches, so the manifest's own stay as they are.
inline constexpr char kWindowsGamingInputOffSwitch[] =
    "--disable-features=EnableWindowsGamingInputDataFetcher";

// "chromium-args" as written, followed by the switches of the keys that are on
// and the pads' switch.
std::string BrowserArguments(const AppManifest& manifest);

// The author's log's words for the GPU asked for: empty for Windows' choice.
std::string GpuChoiceText(const AppManifest& manifest);
