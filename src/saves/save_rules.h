#pragma once
// Saves as files of their own: which names page script may use, which folder
// holds them, what each "save-*" message asks for, and what to do at start
// when Steam Cloud holds another copy. Portable.
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// A write's temporary file ends so; no save may, so none is ever taken for one.
inline constexpr char kPartialSaveSuffix[] = ".quorrin-partial";

// One safe cloud file name (a single path component under 260 bytes), not
// ending in kPartialSaveSuffix in any case.
bool IsSaveName(const std::string& name);
// A temporary file a write left behind (any case, as Windows compares).
bool IsPartialSaveName(const std::string& name);

// savedGames\appName\ or, for a Steam player (steamId not 0),
// savedGames\appName\steamId\; empty without a Saved Games folder.
std::string SaveFolderOf(const std::string& savedGames, const std::string& appName,
                         uint64_t steamId);

// At start, for a file Steam Cloud holds: leave both, copy the cloud's into
// the empty place, or let the page choose (the cloud's is newer).
enum class AtStart { Keep, Restore, Ask };
// Times in whole seconds since 1970, as Steam keeps them; empty when missing.
AtStart DecideAtStart(std::optional<int64_t> localSeconds, std::optional<int64_t> cloudSeconds);

struct SaveRequest {
    enum class Kind { Refused, Write, Read, List, Delete, Resolve };
    Kind kind = Kind::Refused;
    nlohmann::json id;   // a number or short string echoed as given
    nlohmann::json call; // the message's "type", echoed
    std::string name;
    std::string bytes;     // save-write
    bool asBase64 = false; // save-read
    bool keepCloud = false; // save-resolve
    std::string error;
};

// One "save-write", "save-read", "save-list", "save-delete" or "save-resolve"
// message, checked; never throws.
SaveRequest ParseSaveRequest(const nlohmann::json& message);

// {"type":"save-result","id":...,"call":...,"ok":...,"value":...,"error":...}
std::string SaveResultText(const SaveRequest& request, bool ok, const nlohmann::json& value,
                           const std::string& error);
// {"type":"save-conflict","name":...,"localTime":ms,"cloudTime":ms}
std::string SaveConflictEvent(const std::string& name, int64_t localMs, int64_t cloudMs);
