#pragma once
// JSON from an untrusted writer, parsed strictly within limits: the tree is
// never built past the deepest nesting or the most values allowed, so one
// small text cannot take the host's stack or memory. Portable.
#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

struct JsonLimits {
    size_t depth = 64;       // arrays and objects inside one another
    size_t values = 100000;  // every scalar, array and object, the outermost one too
};

struct BoundedJson {
    nlohmann::json value;
    // Empty when the text parsed; else "not JSON", or the limit it went past.
    std::string error;
    bool overLimit = false;
};

// Strict JSON: no comments, nothing but white space after the value. The
// strings are moved into the tree, never copied.
BoundedJson ParseBoundedJson(const std::string& text, const JsonLimits& limits = {});
