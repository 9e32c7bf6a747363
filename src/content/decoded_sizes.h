#pragma once
// The decoded sizes of compressed files learnt so far, so that later answers can
// state their length and serve ranges. Streams report from the runtime's
// thread, so every call holds the lock. Portable.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

class DecodedSizes {
public:
    // stamp: what tells one version of the file from the next (size and write time).
    std::optional<uint64_t> Find(const std::string& path, const std::string& stamp) const {
        const std::lock_guard<std::mutex> hold(lock_);
        auto it = sizes_.find(path);
        if (it == sizes_.end() || it->second.first != stamp)
            return std::nullopt;
        return it->second.second;
    }
    void Remember(const std::string& path, const std::string& stamp, uint64_t size) {
        const std::lock_guard<std::mutex> hold(lock_);
        sizes_[path] = {stamp, size};
    }

private:
    mutable std::mutex lock_;
    std::map<std::string, std::pair<std::string, uint64_t>> sizes_;
};
