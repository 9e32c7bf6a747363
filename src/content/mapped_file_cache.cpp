#include "content/mapped_file_cache.h"

std::shared_ptr<const MappedView> MappedFileCache::GetView(const std::string& relativePath,
                                                           const std::string& filePath) {
    auto cached = files_.find(relativePath);
    if (cached != files_.end())
        return cached->second;
    std::shared_ptr<const MappedView> view = MappedView::Open(filePath);
    if (view)
        files_.emplace(relativePath, view);
    return view;
}
