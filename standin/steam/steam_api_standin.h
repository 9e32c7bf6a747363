#pragma once
// What the stand-in steam_api64.dll's two source files share.
#include <cstdint>
#include <filesystem>
#include <vector>

#include <nlohmann/json.hpp>

#define EXPORT extern "C" __declspec(dllexport)
// The "partial" build models a library from before the cloud's flat interface
// and the web API ticket: those functions are built and not exported.
#ifdef STANDIN_STEAM_PARTIAL
#define EXPORT_UNLESS_PARTIAL extern "C"
#else
#define EXPORT_UNLESS_PARTIAL EXPORT
#endif

namespace standin_steam {
extern char interfaces[7]; // distinct addresses for the interfaces handed out
std::filesystem::path Beside(const wchar_t* name);
// Appends {call, args} to steam-standin.log.
void Record(const char* call, nlohmann::json args = nlohmann::json::array());
// A member of steam-standin.json, null when missing.
const nlohmann::json& Config(const char* key);
// Hands the callback out from the next frame.
// false when steam-standin.json has "refuse".
bool Accepts();
void Queue(int32_t id, std::vector<uint8_t> data);
// Each frame: the results and callbacks whose delay is over are queued.
void DeliverDueResults();
// The overlay (steam_api_standin_overlay.cpp): GameOverlayActivated_t queued;
// "overlay": false in steam-standin.json disables it.
void QueueOverlay(bool active);
bool OverlayEnabled();
// The game asked for the overlay: it opens once the game presents.
void RequestOverlay();
// Each frame: hooks Present once DXGI is in the process.
void WatchForSwapChains();
} // namespace standin_steam
