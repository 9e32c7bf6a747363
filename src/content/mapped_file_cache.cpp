#include "content/mapped_file_cache.h"

namespace {
// Page script chooses the paths (one file under many spellings of its name):
// past this many, the cache lets go of its views and starts again, rather than
// hold a file handle and a mapping for each. Streams keep their own views.
constexpr size_t kMostMapped = 256;
} // namespace

std::shared_ptr<const MappedView> MappedFileCache::GetView(const std::string& relativePath,
                                                           const std::string& filePath) {
    auto cached = files_.find(relativePath);
    if (cached != files_.end())
        return cached->second;
    std::shared_ptr<const MappedView> view = MappedView::Open(filePath);
    if (!view)
        return view;
    if (files_.size() >= kMostMapped)
        files_.clear();
    files_.emplace(relativePath, view);
    return view;
}
