#pragma once
// Which directory handles the page gets, and how far each lets it write. Portable.
#include <cstddef>
#include <cstdint>
#include <string>

// Why a folder must not be writable by page script: the program folder holds
// DLLs, package.json and the uninstaller, all run as native code later, and the
// Startup folder runs what lands there at the next logon. The runtime lets a
// handle posted under a read-write one write too, so a folder above either is
// as dangerous as the folder itself.
enum class WriteGuard { None, IsProgramFolder, ContainsProgramFolder, ContainsStartupFolder };

// Final paths (links resolved), compared without regard to ASCII case.
WriteGuard GuardOfFolder(const std::string& folder, const std::string& programFolder,
                         const std::string& startupFolder);

// The author's log's words for a guard: "it is the program folder", ...
const char* GuardReason(WriteGuard guard);

// Which positions are offered and which the author lets write
// ("writable-directory-handles"; "writable-program-folder" is position 0).
struct HandleChoice {
    uint32_t offered = 0;
    uint32_t writable = 0;
};

struct HandlePlan {
    bool offered;
    bool readOnly;
};

// Only the user data folder (2) is writable by default, and only while no
// guard holds for it: a script or DLL written to any other folder (the
// program's, Documents, LocalAppData, ...) may run later outside the page. A
// position the author names writable is writable whatever its guard. A
// position not offered (a bit per position) is not posted.
HandlePlan PlanDirectoryHandle(size_t position, const HandleChoice& choice, WriteGuard guard);
