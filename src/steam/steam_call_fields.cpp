// The fields of the cloud and leaderboard calls.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "manifest/manifest_rules.h"
#include "steam/steam_bytes.h"
#include "steam/steam_call_reading.h"

namespace {
using Kind = SteamCall::Kind;

struct Word {
    std::string_view word;
    int32_t number; // Steam's value for it
};
constexpr Word kSorts[] = {{"ascending", 1}, {"descending", 2}};
constexpr Word kDisplays[] = {{"numeric", 1}, {"seconds", 2}, {"milliseconds", 3}};
constexpr Word kMethods[] = {{"keep-best", 1}, {"force", 2}};
constexpr Word kRanges[] = {{"global", 0}, {"around-user", 1}, {"friends", 2}};
constexpr Word kReadAs[] = {{"text", 0}, {"base64", 1}};

template <size_t N>
int32_t OneOf(const nlohmann::json& message, const char* key, const Word (&words)[N]) {
    const std::string text = SteamText(message, key);
    std::string allowed;
    for (const Word& known : words) {
        if (known.word == text)
            return known.number;
        allowed += std::string(allowed.empty() ? "\"" : " or \"") + std::string(known.word) + "\"";
    }
    throw SteamRefusal{std::string("\"") + key + "\" must be " + allowed};
}

std::string CloudFileName(const nlohmann::json& message) {
    const std::string* name = SteamField(message, "file").get_ptr<const std::string*>();
    if (!name || !IsSafeCloudFileName(*name))
        throw SteamRefusal{"\"file\" must be one safe file name under 260 bytes"};
    return *name;
}

// A leaderboard's handle as "leaderboard-find" gave it: decimal text, not 0.
uint64_t Board(const nlohmann::json& message) {
    const std::string* text = SteamField(message, "board").get_ptr<const std::string*>();
    const bool digits = text && !text->empty() && text->size() <= 20 &&
                        text->find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    const unsigned long long board = digits ? std::strtoull(text->c_str(), nullptr, 10) : 0;
    if (!digits || errno == ERANGE || board == 0)
        throw SteamRefusal{"\"board\" must be a leaderboard handle from \"leaderboard-find\""};
    return board;
}

std::vector<int32_t> Details(const nlohmann::json& message) {
    const nlohmann::json& list = SteamField(message, "details");
    if (list.is_null())
        return {};
    if (!list.is_array() || list.size() > kSteamScoreDetailsLimit)
        throw SteamRefusal{"\"details\" must be an array of at most 64 32-bit integers"};
    std::vector<int32_t> details;
    for (const nlohmann::json& detail : list)
        details.push_back(SteamIntValue(detail, "details"));
    return details;
}

void ReadFind(const nlohmann::json& message, SteamCall& call) {
    call.text = SteamText(message, "name");
    const nlohmann::json& create = SteamField(message, "create");
    if (create.is_null())
        return;
    if (!create.is_object())
        throw SteamRefusal{"\"create\" must be an object with \"sort\" and \"display\""};
    call.sort = OneOf(create, "sort", kSorts);
    call.display = OneOf(create, "display", kDisplays);
}

void ReadEntriesRange(const nlohmann::json& message, SteamCall& call) {
    call.board = Board(message);
    call.range = OneOf(message, "range", kRanges);
    if (call.range == 2) // friends: Steam gives them all
        return;
    call.start = SteamInt(message, "start");
    call.end = SteamInt(message, "end");
    const int64_t count = int64_t{call.end} - call.start + 1;
    if (count < 1 || count > kSteamLeaderboardEntriesLimit || (call.range == 0 && call.start < 1))
        throw SteamRefusal{"\"start\" to \"end\" must hold 1 to 1000 entries (from rank 1)"};
}
} // namespace

std::string WholeFileContents(const nlohmann::json& message, const char* what) {
    const std::string* text = SteamField(message, "text").get_ptr<const std::string*>();
    const std::string* base64 = SteamField(message, "base64").get_ptr<const std::string*>();
    if ((text != nullptr) == (base64 != nullptr) || message.contains("text") != (text != nullptr) ||
        message.contains("base64") != (base64 != nullptr))
        throw SteamRefusal{"give the contents as one string, \"text\" or \"base64\""};
    if (text) {
        if (text->size() > kSteamCloudFileLimit)
            throw SteamRefusal{std::string(what) + " holds at most 100 MiB"};
        if (!IsWellFormedUtf8(*text))
            throw SteamRefusal{"\"text\" is not well-formed UTF-8 text"};
        return *text;
    }
    // The decoded size, known before decoding: three bytes a group, less the padding.
    const size_t padding = base64->size() >= 2 ? std::count(base64->end() - 2, base64->end(), '=') : 0;
    if (base64->size() / 4 * 3 - std::min(padding, base64->size() / 4 * 3) > kSteamCloudFileLimit)
        throw SteamRefusal{std::string(what) + " holds at most 100 MiB"};
    std::optional<std::string> bytes = DecodeBase64(*base64);
    if (!bytes)
        throw SteamRefusal{"\"base64\" is not strict base64"};
    return std::move(*bytes);
}

bool IsSafeCloudFileName(const std::string& name) {
    return name.size() < 260 && IsSafeName(name) && IsWellFormedUtf8(name) &&
           name.find('\x7F') == std::string::npos;
}

void ReadCloudFields(const nlohmann::json& message, SteamCall& call) {
    if (call.kind == Kind::CloudStatus || call.kind == Kind::CloudList)
        return;
    call.text = CloudFileName(message);
    if (call.kind == Kind::CloudWrite)
        call.value = WholeFileContents(message, "a cloud file");
    if (call.kind == Kind::CloudRead && !SteamField(message, "as").is_null())
        call.asBase64 = OneOf(message, "as", kReadAs) == 1;
}

void ReadLeaderboardFields(const nlohmann::json& message, SteamCall& call) {
    if (call.kind == Kind::LeaderboardFind) {
        ReadFind(message, call);
    } else if (call.kind == Kind::LeaderboardUpload) {
        call.board = Board(message);
        call.score = SteamInt(message, "score");
        call.method = OneOf(message, "method", kMethods);
        call.details = Details(message);
    } else {
        ReadEntriesRange(message, call);
    }
}
