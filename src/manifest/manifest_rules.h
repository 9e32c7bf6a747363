#pragma once
// The manifest values that name places: the application's name becomes a
// folder, the remote address becomes the page everything is trusted to. Portable.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

struct SteamSettings;

// One path component Windows keeps as written: not empty, no separator or other
// character Windows forbids in file names, not "." or "..", no trailing dot or
// space (Windows drops them), not a device name ("CON", "com1.txt", ...).
bool IsSafeName(const std::string& name);

// An https address with a host, or http to localhost, 127.0.0.1 or [::1] (for
// development): nobody on the player's network can put script into the page.
bool IsTrustedRemoteMain(const std::string& main);

// The 14 directory-handle positions in order, by their manifest names.
inline constexpr size_t kDirectoryHandleCount = 14;
extern const char* const kDirectoryHandleNames[kDirectoryHandleCount];
inline constexpr uint32_t kAllDirectoryHandles = (1u << kDirectoryHandleCount) - 1;

// "settings"."directory-handles": a bit per position named in the list, every
// position when the key is missing. Throws "invalid directory handles" for a
// value that is not an array of those names.
uint32_t ParseDirectoryHandles(const nlohmann::json& settings);

// "settings"."writable-directory-handles" (same names, none when missing), with
// "writable-program-folder": true adding "program". Throws "invalid writable
// directory handles".
uint32_t ParseWritableDirectoryHandles(const nlohmann::json& settings);

// "settings"."permissions": a bit per runtime permission kind (the value of
// COREWEBVIEW2_PERMISSION_KIND) the application allows without the runtime's
// prompt; none when missing. Throws "invalid permissions" for a value that is
// not an array of the kinds' names ("camera", "clipboard-read", ...).
uint32_t ParsePermissions(const nlohmann::json& settings);

// A boolean key that refuses any other value with `failure` rather than read
// it as false: missing is false.
bool StrictBool(const nlohmann::json& section, const char* key, const char* failure);

// The "steam" key (manifest_steam.cpp), strict: a Steam build that silently ran
// without Steam would ship broken. remoteMain: the remote page's address, whose
// host the overlay may open by default; empty in bundle mode.
SteamSettings ParseSteam(const nlohmann::json& document, const std::string& remoteMain);

// "settings"."saves"."steam-cloud": saves mirrored to Steam Cloud, only for an
// application with the "steam" key. Throws "invalid saves" (not an object) or
// "invalid saves steam cloud" (not a boolean, or true without "steam").
bool ParseSavesSteamCloud(const nlohmann::json& settings, const SteamSettings& steam);
