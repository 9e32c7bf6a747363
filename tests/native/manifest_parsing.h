#pragma once
// Parsing a manifest text in a test: the record, or why it was refused.
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "manifest/manifest.h"

inline AppManifest Parse(const std::string& text) {
    AppManifest manifest;
    ParseManifest(text, manifest);
    return manifest;
}

// The message of a rejection, "json" for the JSON library's own errors, or "accepted".
inline std::string RejectionOf(const std::string& text) {
    try {
        Parse(text);
    } catch (const nlohmann::json::exception&) {
        return "json";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "accepted";
}
