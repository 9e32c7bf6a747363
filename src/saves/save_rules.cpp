#include "saves/save_rules.h"

#include <cctype>
#include <string_view>

#include "steam/steam_call.h"
#include "steam/steam_call_reading.h"

namespace {
using Kind = SaveRequest::Kind;

struct RequestName {
    std::string_view type;
    Kind kind;
};
constexpr RequestName kRequests[] = {
    {"save-write", Kind::Write},   {"save-read", Kind::Read},
    {"save-list", Kind::List},     {"save-delete", Kind::Delete},
    {"save-resolve", Kind::Resolve},
};

bool EndsWithIgnoringCase(const std::string& text, std::string_view end) {
    if (text.size() < end.size())
        return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
            return false;
    return true;
}

nlohmann::json IdOf(const nlohmann::json& message) {
    const nlohmann::json& id = SteamField(message, "id");
    const std::string* text = id.get_ptr<const std::string*>();
    if (id.is_number() || id.is_null() || (text && text->size() <= kSteamIdLimit))
        return id;
    throw SteamRefusal{"\"id\" must be a number or a string of at most 256 bytes"};
}

std::string NameOf(const nlohmann::json& message) {
    const std::string* name = SteamField(message, "name").get_ptr<const std::string*>();
    if (!name || !IsSaveName(*name))
        throw SteamRefusal{"\"name\" must be one safe file name under 260 bytes"};
    return *name;
}

bool OneOfTwo(const nlohmann::json& message, const char* key, const char* first,
              const char* second) {
    const std::string* word = SteamField(message, key).get_ptr<const std::string*>();
    if (!word || (*word != first && *word != second))
        throw SteamRefusal{std::string("\"") + key + "\" must be \"" + first + "\" or \"" +
                           second + "\""};
    return *word == second;
}

void ReadFields(const nlohmann::json& message, SaveRequest& request) {
    if (request.kind == Kind::List)
        return;
    request.name = NameOf(message);
    if (request.kind == Kind::Write)
        request.bytes = WholeFileContents(message, "a save");
    if (request.kind == Kind::Read && !SteamField(message, "as").is_null())
        request.asBase64 = OneOfTwo(message, "as", "text", "base64");
    if (request.kind == Kind::Resolve)
        request.keepCloud = OneOfTwo(message, "keep", "local", "cloud");
}
} // namespace

bool IsSaveName(const std::string& name) {
    return IsSafeCloudFileName(name) && !IsPartialSaveName(name);
}

bool IsPartialSaveName(const std::string& name) {
    return EndsWithIgnoringCase(name, kPartialSaveSuffix);
}

std::string SaveFolderOf(const std::string& savedGames, const std::string& appName,
                         uint64_t steamId) {
    if (savedGames.empty() || appName.empty())
        return {};
    std::string folder = savedGames;
    if (folder.back() != '\\')
        folder += '\\';
    folder += appName + '\\';
    if (steamId != 0)
        folder += std::to_string(steamId) + '\\';
    return folder;
}

AtStart DecideAtStart(std::optional<int64_t> localSeconds, std::optional<int64_t> cloudSeconds) {
    if (!cloudSeconds)
        return AtStart::Keep;
    if (!localSeconds)
        return AtStart::Restore;
    return *cloudSeconds > *localSeconds ? AtStart::Ask : AtStart::Keep;
}

SaveRequest ParseSaveRequest(const nlohmann::json& message) {
    SaveRequest request;
    if (!message.is_object()) {
        request.error = "a save message must be a JSON object";
        return request;
    }
    const std::string* type = SteamField(message, "type").get_ptr<const std::string*>();
    request.call = type ? nlohmann::json(*type) : nlohmann::json();
    try {
        request.id = IdOf(message);
        for (const RequestName& known : kRequests)
            if (type && known.type == *type)
                request.kind = known.kind;
        if (request.kind == Kind::Refused)
            throw SteamRefusal{"unknown save message"};
        ReadFields(message, request);
    } catch (const SteamRefusal& refusal) {
        request.kind = Kind::Refused;
        request.error = refusal.error;
    }
    return request;
}

std::string SaveResultText(const SaveRequest& request, bool ok, const nlohmann::json& value,
                           const std::string& error) {
    const nlohmann::json message = {{"type", "save-result"}, {"id", request.id},
                                    {"call", request.call},  {"ok", ok},
                                    {"value", value},
                                    {"error", ok ? nlohmann::json() : nlohmann::json(error)}};
    return message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string SaveConflictEvent(const std::string& name, int64_t localMs, int64_t cloudMs) {
    return nlohmann::json{{"type", "save-conflict"},
                          {"name", name},
                          {"localTime", localMs},
                          {"cloudTime", cloudMs}}
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
