#pragma once
// One application file mapped whole and read-only. Whoever holds the view keeps
// the file open and its bytes mapped, so a stream handed to the runtime stays
// readable after the cache has let go of it.
#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

class MappedView {
public:
    // Nothing when the file cannot be opened for reading only, or mapped.
    static std::shared_ptr<const MappedView> Open(const std::string& filePath);
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView();

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(view_); }
    uint64_t size() const { return size_; }

private:
    MappedView(HANDLE file, HANDLE mapping, const void* view, uint64_t size)
        : file_(file), mapping_(mapping), view_(view), size_(size) {}

    HANDLE file_;
    HANDLE mapping_;
    const void* view_;
    uint64_t size_;
};
