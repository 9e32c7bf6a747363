#include "steam/steam_call.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "steam/steam_call_reading.h"
#include "steam/steam_deck.h"
#include "util/text/web_origin.h"

namespace {
using Kind = SteamCall::Kind;

struct CallName {
    std::string_view name;
    Kind kind;
};
constexpr CallName kCalls[] = {
    {"status", Kind::Status},
    {"set-achievement", Kind::SetAchievement},
    {"clear-achievement", Kind::ClearAchievement},
    {"get-achievement", Kind::GetAchievement},
    {"set-stat", Kind::SetStat},
    {"get-stat", Kind::GetStat},
    {"store-stats", Kind::StoreStats},
    {"set-rich-presence", Kind::SetRichPresence},
    {"is-dlc-installed", Kind::IsDlcInstalled},
    {"activate-overlay", Kind::ActivateOverlay},
    {"activate-overlay-to-web-page", Kind::ActivateOverlayToWebPage},
    {"cloud-status", Kind::CloudStatus},
    {"cloud-write", Kind::CloudWrite},
    {"cloud-read", Kind::CloudRead},
    {"cloud-delete", Kind::CloudDelete},
    {"cloud-exists", Kind::CloudExists},
    {"cloud-list", Kind::CloudList},
    {"leaderboard-find", Kind::LeaderboardFind},
    {"leaderboard-upload", Kind::LeaderboardUpload},
    {"leaderboard-entries", Kind::LeaderboardEntries},
    {"auth-ticket", Kind::AuthTicket},
    {"show-text-input", Kind::ShowTextInput},
};

using Refusal = SteamRefusal;

const nlohmann::json& Field(const nlohmann::json& message, const char* key) {
    return SteamField(message, key);
}

std::string Text(const nlohmann::json& message, const char* key, bool mayBeEmpty = false) {
    return SteamText(message, key, mayBeEmpty);
}

bool IsFloatStat(const nlohmann::json& message) {
    const std::string kind = Text(message, "kind");
    if (kind != "int" && kind != "float")
        throw Refusal{"\"kind\" must be \"int\" or \"float\""};
    return kind == "float";
}

void ReadStatValue(const nlohmann::json& message, SteamCall& call) {
    const nlohmann::json& value = Field(message, "value");
    if (!value.is_number())
        throw Refusal{"\"value\" must be a number"};
    const double number = value.get<double>();
    if (call.floatStat) {
        if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max())
            throw Refusal{"\"value\" is beyond a float stat's range"};
        call.floatValue = static_cast<float>(number);
        return;
    }
    const bool integral = value.is_number_integer() || std::trunc(number) == number;
    if (!integral || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max())
        throw Refusal{"\"value\" must be a 32-bit integer for an int stat"};
    call.intValue = static_cast<int32_t>(number);
}

uint32_t AppId(const nlohmann::json& message) {
    const nlohmann::json& value = Field(message, "appId");
    if (!value.is_number_integer() || value <= 0 || value > UINT32_MAX)
        throw Refusal{"\"appId\" must be a positive 32-bit integer"};
    return value.get<uint32_t>();
}

// The overlay's browser is given only https pages with a host and no blanks.
std::string HttpsUrl(const nlohmann::json& message) {
    const std::string url = Text(message, "url");
    constexpr std::string_view kScheme = "https://";
    bool schemeMatches = url.size() > kScheme.size();
    for (size_t i = 0; schemeMatches && i < kScheme.size(); ++i)
        schemeMatches = (url[i] | 0x20) == kScheme[i]; // letters in either case
    const char afterScheme = schemeMatches ? url[kScheme.size()] : '/';
    if (!schemeMatches || afterScheme == '/' || afterScheme == '?' || afterScheme == '#')
        throw Refusal{"\"url\" must be an https address"};
    for (unsigned char c : url)
        if (c <= 0x20 || c == 0x7F)
            throw Refusal{"\"url\" must not hold blanks or control characters"};
    return url;
}

void ReadFields(const nlohmann::json& message, SteamCall& call) {
    if (IsCloudCall(call.kind))
        return ReadCloudFields(message, call);
    switch (call.kind) {
    case Kind::SetAchievement:
    case Kind::ClearAchievement:
    case Kind::GetAchievement:
        call.text = Text(message, "name");
        break;
    case Kind::SetStat:
        call.text = Text(message, "name");
        call.floatStat = IsFloatStat(message);
        ReadStatValue(message, call);
        break;
    case Kind::GetStat:
        call.text = Text(message, "name");
        call.floatStat = IsFloatStat(message);
        break;
    case Kind::SetRichPresence:
        call.text = Text(message, "key");
        // An empty value clears the key.
        call.value = Text(message, "value", true);
        break;
    case Kind::IsDlcInstalled:
        call.appId = AppId(message);
        break;
    case Kind::ActivateOverlay:
        call.text = Text(message, "dialog");
        break;
    case Kind::ActivateOverlayToWebPage:
        call.text = HttpsUrl(message);
        break;
    case Kind::AuthTicket:
        call.text = SteamText(message, "identity", true, kSteamIdentityLimit);
        break;
    case Kind::LeaderboardFind:
    case Kind::LeaderboardUpload:
    case Kind::LeaderboardEntries:
        ReadLeaderboardFields(message, call);
        break;
    case Kind::ShowTextInput:
        ReadTextInputFields(message, call);
        break;
    default: // status, store-stats; the cloud's calls before
        break;
    }
}

// Only a scalar is echoed: a page's structure would be copied into the answer.
nlohmann::json IdOf(const nlohmann::json& message) {
    const nlohmann::json& id = Field(message, "id");
    const std::string* text = id.get_ptr<const std::string*>();
    if (id.is_number() || id.is_null() || (text && text->size() <= kSteamIdLimit))
        return id;
    throw Refusal{"\"id\" must be a number or a string of at most 256 bytes"};
}

Kind KindOf(const nlohmann::json& name) {
    const std::string* text = name.get_ptr<const std::string*>();
    if (!text)
        throw Refusal{"\"call\" must be a string"};
    for (const CallName& known : kCalls)
        if (known.name == *text)
            return known.kind;
    throw Refusal{"unknown call"};
}
} // namespace

const nlohmann::json& SteamField(const nlohmann::json& message, const char* key) {
    static const nlohmann::json kMissing;
    auto it = message.find(key);
    return it == message.end() ? kMissing : *it;
}

std::string SteamText(const nlohmann::json& message, const char* key, bool mayBeEmpty,
                      size_t limit) {
    const std::string* text = SteamField(message, key).get_ptr<const std::string*>();
    const std::string quoted = std::string("\"") + key + "\"";
    if (!text)
        throw Refusal{quoted + " must be a string"};
    if (text->empty() && !mayBeEmpty)
        throw Refusal{quoted + " must not be empty"};
    if (text->size() > limit)
        throw Refusal{quoted + " is longer than " + std::to_string(limit) + " bytes"};
    // Embedded NULs would cut the text short at the library's C boundary.
    if (!IsWellFormedUtf8(*text) || text->find('\0') != std::string::npos)
        throw Refusal{quoted + " is not well-formed UTF-8 text"};
    return *text;
}

int32_t SteamInt(const nlohmann::json& message, const char* key) {
    return SteamIntValue(SteamField(message, key), key);
}

int32_t SteamIntValue(const nlohmann::json& value, const char* key) {
    const std::string quoted = std::string("\"") + key + "\"";
    if (!value.is_number())
        throw Refusal{quoted + " must be a number"};
    const double number = value.get<double>();
    if ((!value.is_number_integer() && std::trunc(number) != number) ||
        number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
        throw Refusal{quoted + " must be a 32-bit integer"};
    return static_cast<int32_t>(value.is_number_unsigned() ? value.get<uint64_t>()
                                                           : value.get<int64_t>());
}

bool IsAsynchronous(SteamCall::Kind kind) {
    return kind == Kind::LeaderboardFind || kind == Kind::LeaderboardUpload ||
           kind == Kind::LeaderboardEntries || kind == Kind::AuthTicket;
}

bool IsCloudCall(SteamCall::Kind kind) {
    return kind >= Kind::CloudStatus && kind <= Kind::CloudList;
}

bool IsOverlayHostAllowed(const std::string& url, const std::vector<std::string>& hosts) {
    // The host as the browser reads it: lower case, after any user part, no port.
    const std::string origin = WebOriginOf(url);
    if (origin.compare(0, 8, "https://") != 0)
        return false;
    std::string host = origin.substr(8);
    if (host[0] != '[')
        host = host.substr(0, host.find(':'));
    for (const std::string& listed : hosts)
        if (listed == host)
            return true;
    return false;
}

SteamCall ParseSteamCallName(const nlohmann::json& message) {
    SteamCall call;
    if (!message.is_object()) {
        call.error = "a steam message must be a JSON object";
        return call;
    }
    if (!Field(message, "call").is_structured())
        call.call = Field(message, "call");
    try {
        call.id = IdOf(message);
        call.kind = KindOf(call.call);
    } catch (const Refusal& refusal) {
        call.kind = Kind::Refused;
        call.error = refusal.error;
    }
    return call;
}

SteamCall ParseSteamCall(const nlohmann::json& message) {
    SteamCall call = ParseSteamCallName(message);
    if (call.kind == Kind::Refused)
        return call;
    try {
        ReadFields(message, call);
    } catch (const Refusal& refusal) {
        call.kind = Kind::Refused;
        call.error = refusal.error;
    }
    return call;
}

bool IsWellFormedUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size())
            return false;
        uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}
