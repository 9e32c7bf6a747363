#include "util/text/json_lookup.h"

#include <cmath>
#include <limits>

namespace {
const nlohmann::json* FindMember(const nlohmann::json& value, const char* key) {
    if (!value.is_object())
        return nullptr;
    auto it = value.find(key);
    return it == value.end() ? nullptr : &*it;
}

// Truncation toward zero, then the low 32 bits. A value beyond the range of a
// 64-bit integer (or NaN) has no defined conversion, so it is clamped first.
int32_t LowBitsOfDouble(double number) {
    double truncated = std::trunc(number);
    if (std::isnan(truncated))
        return 0;
    constexpr double kLimit = 9.2e18;
    if (truncated > kLimit || truncated < -kLimit)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(truncated)));
}
} // namespace

std::string JsonStringOr(const nlohmann::json& value, const char* key,
                         const std::string& fallback) {
    const nlohmann::json* member = FindMember(value, key);
    return member && member->is_string() ? member->get<std::string>() : fallback;
}

int32_t JsonIntOr(const nlohmann::json& value, const char* key, int32_t fallback) {
    const nlohmann::json* member = FindMember(value, key);
    if (!member)
        return fallback;
    if (member->is_number_unsigned())
        return static_cast<int32_t>(static_cast<uint32_t>(member->get<uint64_t>()));
    if (member->is_number_integer())
        return static_cast<int32_t>(static_cast<uint32_t>(member->get<int64_t>()));
    if (member->is_number_float())
        return LowBitsOfDouble(member->get<double>());
    return fallback;
}

bool JsonBoolOr(const nlohmann::json& value, const char* key, bool fallback) {
    const nlohmann::json* member = FindMember(value, key);
    return member && member->is_boolean() ? member->get<bool>() : fallback;
}
