#pragma once
// Typed lookups in JSON objects: the default unless the value is an object
// holding the key with a member of the expected type. Never throws, never adds keys.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

std::string JsonStringOr(const nlohmann::json& value, const char* key, const std::string& fallback);

// Integers give their low 32 bits read as signed; floating-point numbers are
// truncated toward zero.
int32_t JsonIntOr(const nlohmann::json& value, const char* key, int32_t fallback);

bool JsonBoolOr(const nlohmann::json& value, const char* key, bool fallback);
