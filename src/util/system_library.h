#pragma once
// A Windows library loaded at run time from System32 only, with its own
// imports from there too: never the program's folder, where a player may have
// unpacked anything, nor the current directory. Freed when its owner goes.
#include <utility>

#include <windows.h>

class SystemLibrary {
public:
    SystemLibrary() : module_(nullptr) {}
    explicit SystemLibrary(const wchar_t* name)
        : module_(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    ~SystemLibrary() {
        if (module_)
            FreeLibrary(module_);
    }
    SystemLibrary(SystemLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    SystemLibrary& operator=(SystemLibrary&&) = delete;

    explicit operator bool() const { return module_ != nullptr; }

    // The export as a pointer of the function's own type (decltype(&Function)),
    // or null when the library or the export is missing.
    template <typename Function> Function Export(const char* name) const {
        return module_ ? reinterpret_cast<Function>(
                             reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};
