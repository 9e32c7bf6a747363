#pragma once
#include <string>

// The Content-Type value for a request's relative path, chosen by the text after
// its last dot (lower-cased); "application/octet-stream" when unknown.
std::string LookupContentType(const std::string& relativePath);
