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

// "chromium-args" as written, followed by the switches of the keys that are on.
std::string BrowserArguments(const AppManifest& manifest);
