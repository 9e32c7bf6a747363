#pragma once
// Small files read and written whole, by UTF-8 path: records, reports.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The file's bytes from `offset`, at most `limit` of them; nothing when it
// cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit,
                                         uint64_t offset = 0);

// Writes a temporary file beside the target, flushes it and moves it over the
// target, so a reader finds the old file or the new one, never part of one.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes);

struct FolderFile {
    std::string name;
    uint64_t size = 0;
    int64_t written = 0; // seconds since 1970
};
// The plain files directly in the folder (no folders, no links).
std::vector<FolderFile> FilesInFolder(const std::string& folder);

// A file's last write, in seconds since 1970; nothing when it is missing.
std::optional<int64_t> FileWrittenAt(const std::string& path);

int64_t SecondsSince1970();
