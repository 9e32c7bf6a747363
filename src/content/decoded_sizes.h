#pragma once
// The decoded sizes of compressed files learnt so far, so that later answers can
// state their length and serve ranges. Keyed by the file itself (its volume and
// index), so every spelling of its path finds it, and by its size and last
// write, so a file replaced on disk does not keep its old decoded size. Bounded:
// beyond the capacity the entry used least recently goes. Workers and the
// runtime's reader threads report too, so every call holds the lock. Portable.
#include <compare>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    uint64_t size = 0; // of the compressed file
    uint64_t writeTime = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

class DecodedSizes {
public:
    static constexpr size_t kCapacity = 1024;
    explicit DecodedSizes(size_t capacity = kCapacity) : capacity_(capacity) {}

    std::optional<uint64_t> Find(const FileIdentity& file) {
        const std::lock_guard<std::mutex> hold(lock_);
        auto it = entries_.find(file);
        if (it == entries_.end())
            return std::nullopt;
        recent_.splice(recent_.begin(), recent_, it->second);
        return it->second->second;
    }
    void Remember(const FileIdentity& file, uint64_t size) {
        const std::lock_guard<std::mutex> hold(lock_);
        if (auto it = entries_.find(file); it != entries_.end()) {
            it->second->second = size;
            recent_.splice(recent_.begin(), recent_, it->second);
            return;
        }
        recent_.emplace_front(file, size);
        entries_[file] = recent_.begin();
        if (entries_.size() > capacity_) {
            entries_.erase(recent_.back().first);
            recent_.pop_back();
        }
    }

private:
    std::mutex lock_;
    const size_t capacity_;
    std::list<std::pair<FileIdentity, uint64_t>> recent_; // the most recently used first
    std::map<FileIdentity, std::list<std::pair<FileIdentity, uint64_t>>::iterator> entries_;
};
