#include "content/link_check_cache.h"

namespace {
// Page script chooses the paths (each file under many spellings of its name):
// past this many, the cache starts again rather than grow.
constexpr size_t kMostKept = 4096;
} // namespace

bool LinkCheckCache::Passed(const std::string& filePath, const FileStamp& stamp) const {
    const auto kept = passed_.find(filePath);
    return kept != passed_.end() && kept->second == stamp;
}

void LinkCheckCache::Keep(const std::string& filePath, const FileStamp& stamp, bool inside) {
    if (!inside) {
        passed_.erase(filePath);
        return;
    }
    if (passed_.size() >= kMostKept && !passed_.contains(filePath))
        passed_.clear();
    passed_[filePath] = stamp;
}
