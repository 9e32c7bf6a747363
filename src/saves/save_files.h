#pragma once
// Save files in one folder, each written whole or not at all: a write goes to
// a temporary file beside the save, flushed to the disk, then renamed over
// it, so a kill or a power loss at any moment leaves the old save or the new.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SaveFileInfo {
    std::string name;
    uint64_t size = 0;
    int64_t timeMs = 0; // last written, milliseconds since 1970
};

// Creates the folder and the folders above it; false when it cannot be made.
bool MakeSaveFolder(const std::string& folder);
// Removes the temporary files writes left behind; says how many.
size_t RemovePartialSaves(const std::string& folder);

// Empty on success, else why the save is unchanged.
std::string WriteSaveFile(const std::string& folder, const std::string& name,
                          const std::string& bytes);
// The whole file, or empty with error set (a missing file or one over 100 MiB).
std::optional<std::string> ReadSaveFile(const std::string& folder, const std::string& name,
                                        std::string& error);
bool DeleteSaveFile(const std::string& folder, const std::string& name);
// The saves in the folder (temporary files and folders left out), by name.
std::vector<SaveFileInfo> ListSaveFiles(const std::string& folder);
std::optional<int64_t> SaveTimeMs(const std::string& folder, const std::string& name);
// Sets the save's last write time, in seconds since 1970.
bool SetSaveTime(const std::string& folder, const std::string& name, int64_t seconds);
