#pragma once
// Scoped owner of a view of a file mapping: unmapped exactly once, on every path
// out of the scope that holds it.
#include <utility>

#include <windows.h>

class ScopedView {
public:
    ScopedView() = default;
    explicit ScopedView(void* view) : view_(view) {}
    ~ScopedView() {
        if (view_)
            UnmapViewOfFile(view_);
    }
    ScopedView(ScopedView&& other) noexcept : view_(std::exchange(other.view_, nullptr)) {}
    ScopedView(const ScopedView&) = delete;
    ScopedView& operator=(const ScopedView&) = delete;
    ScopedView& operator=(ScopedView&&) = delete;

    void* get() const { return view_; }
    explicit operator bool() const { return view_ != nullptr; }

private:
    void* view_ = nullptr;
};
