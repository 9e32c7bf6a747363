#pragma once
// From a request URI to the path the content server serves. Portable.
#include <optional>
#include <string>

// The URI without the origin's bytes and without what follows its first raw "?"
// or "#" (query and fragment), percent escapes decoded as UTF-8 (ill-formed
// sequences become U+FFFD). A decoded text of 2,048 UTF-16 units or more is
// returned undecoded.
std::string RelativePathFromUri(const std::string& uri, size_t originLength);

// False for paths that could leave the content folder or name something other
// than a plain file there: a "." or ".." segment ("/" and "\" both separate),
// a ":" (drives, alternate data streams) or a NUL.
bool StaysInContentFolder(const std::string& relativePath);

// folder + relative path with every "/" turned into "\".
std::string ContentFilePath(const std::string& folder, const std::string& relativePath);

// The relative path of the page that stands for a folder: its index.html when
// the folder's path is empty or ends with "/"; nothing for any other spelling,
// so that relative links inside the page resolve against the folder.
std::optional<std::string> FolderIndexPath(const std::string& folderPath);
