#pragma once
// Runs Quorrin.exe as a user would and looks at it from outside: its windows,
// its message boxes and its exit code.
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "support/temp_folder.h"

// The harness's one deadline, QUORRIN_DEADLINE_MS (default 20 s), for every wait.
inline DWORD DeadlineFromEnvironment() {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"QUORRIN_DEADLINE_MS", text, 16);
    const unsigned long value = length > 0 && length < 16 ? wcstoul(text, nullptr, 10) : 0;
    return value > 0 ? static_cast<DWORD>(value) : 20000;
}
inline const DWORD kDeadlineMs = DeadlineFromEnvironment();

// Polls condition until it holds or timeoutMs has passed; true when it held.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = kDeadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(15);
    }
    return true;
}

// Which WebView2Loader.dll lies beside Quorrin.exe: the stand-in runtime's, or
// the vendor's, as shipped (it finds no runtime under Wine).
enum class Loader { Standin, Vendor };

// A fresh application folder holding a copy of the Quorrin.exe under test.
class AppFolder {
public:
    explicit AppFolder(std::string_view label = "app", Loader loader = Loader::Standin);
    const std::string& path() const { return folder_.path(); }
    std::string exePath() const { return path() + "Quorrin.exe"; }
    void Write(const std::string& relativePath, std::string_view bytes) const;

private:
    TempFolder folder_;
};

class HostProcess {
public:
    // Starts the executable; the current directory is currentDirectory, or the
    // user's temporary folder when empty.
    explicit HostProcess(const std::string& exePath, const std::string& currentDirectory = "");
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool started() const { return info_.hProcess != nullptr; }
    // The exit code, or nothing when the process is still running at the deadline.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = kDeadlineMs) const;
    std::vector<HWND> TopLevelWindows() const;
    // The first top-level window of the class, or null at the deadline.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = kDeadlineMs) const;

private:
    PROCESS_INFORMATION info_ = {};
};

std::wstring ClassNameOf(HWND window);
std::wstring TextOf(HWND window);

// Sets the screen dpi that processes started from now on see, and puts 96 back.
class ScopedScreenDpi {
public:
    explicit ScopedScreenDpi(DWORD dpi);
    ~ScopedScreenDpi();
};
