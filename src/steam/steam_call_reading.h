#pragma once
// The field readers the parts of the call parser share. Portable.
#include <string>

#include <nlohmann/json.hpp>

#include "steam/steam_call.h"

// Thrown inside the parser only, to end a call with its error.
struct SteamRefusal {
    std::string error;
};

// The member, or null when it is missing.
const nlohmann::json& SteamField(const nlohmann::json& message, const char* key);
// A string member of at most limit bytes, well-formed UTF-8 without NUL.
std::string SteamText(const nlohmann::json& message, const char* key, bool mayBeEmpty = false,
                      size_t limit = kSteamTextLimit);
// A number member that is a 32-bit integer; the value itself, named key in the error.
int32_t SteamInt(const nlohmann::json& message, const char* key);
int32_t SteamIntValue(const nlohmann::json& value, const char* key);

// A whole file's contents as bytes: "text" (UTF-8) or "base64", exactly one
// of them, at most 100 MiB ("<what> holds at most 100 MiB").
std::string WholeFileContents(const nlohmann::json& message, const char* what);

void ReadCloudFields(const nlohmann::json& message, SteamCall& call);
void ReadLeaderboardFields(const nlohmann::json& message, SteamCall& call);
