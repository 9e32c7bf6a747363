#include "app/second_instance_message.h"

#include <cstdint>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace {
constexpr size_t kReadableNameLength = 64;

uint64_t Fnv1a64(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

bool IsSafeNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}
} // namespace

std::string InstanceObjectName(const std::string& appName) {
    std::string readable;
    for (char c : appName.substr(0, kReadableNameLength))
        readable += IsSafeNameCharacter(c) ? c : '_';
    char hash[17];
    std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(Fnv1a64(appName)));
    return "Quorrin-" + readable + "-" + hash;
}

std::string EncodeArguments(const std::vector<std::string>& arguments) {
    return nlohmann::json(arguments).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string SecondInstanceMessage(const std::string& payload) {
    const nlohmann::json arguments = nlohmann::json::parse(payload, nullptr, false);
    if (!arguments.is_array())
        return {};
    for (const nlohmann::json& argument : arguments)
        if (!argument.is_string())
            return {};
    const nlohmann::json message = {{"type", "second-instance"}, {"args", arguments}};
    return message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
