#pragma once
// From a request URI to the path the content server serves. Portable.
#include <string>

// The URI without the origin's bytes, percent escapes decoded as UTF-8 (ill-formed
// sequences become U+FFFD). Nothing is cut: a query or fragment stays. A decoded
// text of 2,048 UTF-16 units or more is returned undecoded.
std::string RelativePathFromUri(const std::string& uri, size_t originLength);

// False for paths that could leave the content folder or name something other
// than a plain file there: a "." or ".." segment ("/" and "\" both separate),
// a ":" (drives, alternate data streams) or a NUL.
bool StaysInContentFolder(const std::string& relativePath);

// folder + relative path with every "/" turned into "\".
std::string ContentFilePath(const std::string& folder, const std::string& relativePath);
