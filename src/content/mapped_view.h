#pragma once
// One application file mapped whole and read-only. Whoever holds the view keeps
// the file open and its bytes mapped, so a stream handed to the runtime stays
// readable after the cache has let go of it.
#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

#include "util/scoped_handle.h"

class MappedView {
public:
    // Nothing when the file cannot be opened for reading only, or mapped.
    static std::shared_ptr<const MappedView> Open(const std::string& filePath);
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(view_.get()); }
    uint64_t size() const { return size_; }

private:
    struct Unmap {
        void operator()(const void* view) const { UnmapViewOfFile(view); }
    };
    using View = std::unique_ptr<const void, Unmap>;
    MappedView(ScopedHandle file, ScopedHandle mapping, View view, uint64_t size)
        : file_(std::move(file)), mapping_(std::move(mapping)), view_(std::move(view)),
          size_(size) {}

    // Released in reverse: the view, the mapping, the file.
    ScopedHandle file_;
    ScopedHandle mapping_;
    View view_;
    uint64_t size_;
};
