#pragma once
// The executable's own path, known folders and file sizes, as UTF-8 text.
#include <cstdint>
#include <string>

#include <windows.h>
#include <shtypes.h>

// The executable's canonical full path, without a "\\?\" prefix. Computed once.
const std::string& GetExecutablePath();

// Everything up to and including the last backslash; the whole path when it has none.
std::string FolderOfPath(const std::string& path);

// The known folder's path without a trailing backslash; empty on failure.
std::string KnownFolderPathUtf8(REFKNOWNFOLDERID folderId);

// The path as the author's log writes it: under the user's profile folder
// "%USERPROFILE%\...", so the log never carries the player's account name.
std::string PathForAuthorLog(const std::string& path);

// The file's size, or 0 when it is missing, unreadable or 2 GiB or larger.
uint64_t FileSizeOf(const std::string& path);

// The file's real size, whatever it is; 0 when it is missing or unreadable.
uint64_t FullFileSizeOf(const std::string& path);

// The full path of the program file another process runs, without a "\\?\"
// prefix; "unknown" when the process cannot be asked.
std::string ProcessImagePath(DWORD processId);

// Whether the process runs this very program file (full paths compared, case
// ignored as the file system ignores it).
bool RunsThisProgram(DWORD processId);
