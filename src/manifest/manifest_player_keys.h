#pragma once
// The keys of a game's window as players meet it: dpi, when it shows, full-screen
// keys, and the browser's habits (status bar, swipes, pinch zoom, autofill,
// background throttling, autoplay, who reads the pads).
#include <nlohmann/json.hpp>

struct AppManifest;

// Throws "invalid dpi awareness", "invalid show", "invalid gpu" or "invalid
// gamepads" for a value other than their words; the boolean keys are lenient (a wrong type reads as the default).
void ReadPlayerKeys(const nlohmann::json& window, const nlohmann::json& settings,
                    AppManifest& manifest);
