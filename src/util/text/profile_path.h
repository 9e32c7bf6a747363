#pragma once
// Paths as the author's log writes them: the user's profile folder, which
// carries the player's account name, as "%USERPROFILE%". Portable.
#include <string>

// The path with a leading profile folder (compared without regard to ASCII
// case, and only up to a backslash or the end) written "%USERPROFILE%"; any
// other path, or an empty profile, as it is.
std::string ShortenProfilePath(const std::string& path, const std::string& profileFolder);
