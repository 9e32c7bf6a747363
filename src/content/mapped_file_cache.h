#pragma once
// Read-only views of whole application files, kept per relative path for the
// life of the process so that repeated seeks into one media file neither reopen
// nor remap it. While an entry exists its file stays open for reading only.
#include <map>
#include <string>

#include <windows.h>

class MappedFileCache {
public:
    MappedFileCache() = default;
    MappedFileCache(const MappedFileCache&) = delete;
    MappedFileCache& operator=(const MappedFileCache&) = delete;
    ~MappedFileCache() { UnmapAll(); }

    // The file's bytes, mapped on first use; null when the file cannot be mapped
    // (a failed attempt is not remembered, so the next request tries again).
    const unsigned char* GetView(const std::string& relativePath, const std::string& filePath);

    // Unmaps and closes everything, in key order, and empties the cache.
    void UnmapAll();

    size_t size() const { return files_.size(); }

private:
    struct MappedFile {
        HANDLE file;
        HANDLE mapping;
        const void* view;
    };
    std::map<std::string, MappedFile> files_;
};
