#pragma once
// Scoped owners of kernel handles and windows: closed or destroyed exactly once,
// on every path out of the scope that holds them.
#include <utility>

#include <windows.h>

class ScopedHandle {
public:
    ScopedHandle() : handle_(nullptr) {}
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle& operator=(ScopedHandle&&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class ScopedWindow {
public:
    ScopedWindow() = default;
    explicit ScopedWindow(HWND window) : window_(window) {}
    ~ScopedWindow() {
        if (window_)
            DestroyWindow(window_);
    }
    ScopedWindow(const ScopedWindow&) = delete;
    ScopedWindow& operator=(const ScopedWindow&) = delete;
    ScopedWindow& operator=(ScopedWindow&& other) noexcept {
        std::swap(window_, other.window_);
        return *this;
    }

    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// A started process's two handles.
struct ScopedProcess {
    ScopedHandle process;
    ScopedHandle thread;
};

// Starts a program and hands over its handles; empty handles when it could not start.
inline ScopedProcess StartProcess(const wchar_t* program, wchar_t* commandLine,
                                  const wchar_t* currentDirectory) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, currentDirectory,
                        &startup, &info))
        return ScopedProcess{};
    return {ScopedHandle(info.hProcess), ScopedHandle(info.hThread)};
}
