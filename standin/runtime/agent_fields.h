#pragma once
// Typed reads of the agent's messages. A field of the wrong type, a required
// field that is missing or a word the stand-in does not know throws
// AgentMessageError naming it: the agent gets an error result and the host,
// which never sees the message, runs on.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "agent.h"

struct AgentMessageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

[[noreturn]] inline void WrongType(const char* name, const char* expected, const Json& value) {
    throw AgentMessageError(Quoted(name) + " must be " + expected + ", not " + value.type_name());
}

// The member, or nullptr when the object lacks it (or is not an object).
inline const Json* Member(const Json& object, const char* name) {
    if (!object.is_object())
        return nullptr;
    auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

inline std::string StringField(const Json& object, const char* name, const std::string& fallback) {
    const Json* value = Member(object, name);
    if (!value)
        return fallback;
    if (!value->is_string())
        WrongType(name, "a string", *value);
    return value->get<std::string>();
}

inline std::string RequiredString(const Json& object, const char* name) {
    if (!Member(object, name))
        throw AgentMessageError("missing " + Quoted(name));
    return StringField(object, name, "");
}

inline bool BoolField(const Json& object, const char* name, bool fallback) {
    const Json* value = Member(object, name);
    if (!value)
        return fallback;
    if (!value->is_boolean())
        WrongType(name, "a boolean", *value);
    return value->get<bool>();
}

// An integer that fits the field's type; fractions and out-of-range values are refused.
template <typename Integer>
Integer IntegerField(const Json& object, const char* name, Integer fallback) {
    static_assert(std::is_integral_v<Integer>);
    const Json* value = Member(object, name);
    if (!value)
        return fallback;
    const auto range = " from " + std::to_string(std::numeric_limits<Integer>::min()) + " to " +
                       std::to_string(std::numeric_limits<Integer>::max());
    if (!value->is_number_integer())
        WrongType(name, ("an integer" + range).c_str(), *value);
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<Integer>::max());
    constexpr auto kMin = static_cast<int64_t>(std::numeric_limits<Integer>::min());
    const bool fits = value->is_number_unsigned()
                          ? value->get<uint64_t>() <= kMax
                          : value->get<int64_t>() >= kMin &&
                                (value->get<int64_t>() < 0 || value->get<uint64_t>() <= kMax);
    if (!fits)
        throw AgentMessageError(Quoted(name) + " must be an integer" + range + ", not " +
                                value->dump());
    return value->get<Integer>();
}

// An object member; missing gives an empty object.
inline Json ObjectField(const Json& object, const char* name) {
    const Json* value = Member(object, name);
    if (!value)
        return Json::object();
    if (!value->is_object())
        WrongType(name, "an object", *value);
    return *value;
}
