#pragma once
// Read-only views of whole application files, kept per relative path until
// UnmapAll (or until 256 paths are held, when it starts again) so that repeated
// seeks into one media file neither reopen nor remap it. A view stays mapped, and its file open for reading only, while the cache
// or any stream made from it still holds it.
#include <map>
#include <memory>
#include <string>

#include "content/mapped_view.h"

class MappedFileCache {
public:
    MappedFileCache() = default;
    MappedFileCache(const MappedFileCache&) = delete;
    MappedFileCache& operator=(const MappedFileCache&) = delete;

    // The file's view, mapped on first use; null when the file cannot be mapped
    // (a failed attempt is not remembered, so the next request tries again).
    std::shared_ptr<const MappedView> GetView(const std::string& relativePath,
                                              const std::string& filePath);

    // Lets go of every view; each is unmapped and closed once no stream holds it.
    void UnmapAll() { files_.clear(); }

    size_t size() const { return files_.size(); }

private:
    std::map<std::string, std::shared_ptr<const MappedView>> files_;
};
