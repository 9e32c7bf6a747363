#include "host_process.h"

#include <stdexcept>
#include <utility>

#include "util/text/files.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
std::wstring LongForm(const std::string& path) {
    return ToLongPath(Utf8ToWide(path));
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found.push_back(window);
    return TRUE;
}

void SetScreenDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof(dpi));
}
} // namespace

AppFolder::AppFolder(std::string_view label, Loader loader) : folder_(label) {
    // The program and a loader, as an application ships them.
    const std::string bin = FolderOfPath(GetExecutablePath());
    const std::string loaderFolder = loader == Loader::Vendor ? bin + "vendor-loader\\" : bin;
    for (const auto& [from, file] :
         {std::pair{bin, "Quorrin.exe"}, std::pair{loaderFolder, "WebView2Loader.dll"}}) {
        if (!CopyFileW(LongForm(from + file).c_str(), LongForm(path() + file).c_str(), FALSE))
            throw std::runtime_error(std::string("cannot copy ") + file + " into " + path());
    }
}

void AppFolder::Write(const std::string& relativePath, std::string_view bytes) const {
    WriteFileBytes(path() + relativePath, bytes);
}

HostProcess::HostProcess(const std::string& exePath, const std::string& currentDirectory) {
    std::wstring application = LongForm(exePath);
    std::wstring commandLine = L"\"" + Utf8ToWide(exePath) + L"\"";
    std::wstring directory = Utf8ToWide(currentDirectory);
    if (directory.empty()) {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        directory = temp;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, directory.c_str(), &startup, &info_))
        info_ = {};
}

HostProcess::~HostProcess() {
    if (!started())
        return;
    if (!WaitForExit(0)) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, kDeadlineMs);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

std::optional<DWORD> HostProcess::WaitForExit(DWORD timeoutMs) const {
    if (!started() || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

std::vector<HWND> HostProcess::TopLevelWindows() const {
    WindowSearch search{info_.dwProcessId, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND HostProcess::WaitForWindow(const wchar_t* className, DWORD timeoutMs) const {
    HWND match = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows())
                if (ClassNameOf(window) == className)
                    match = window;
            return match != nullptr || WaitForExit(0).has_value();
        },
        timeoutMs);
    return match;
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kDeadlineMs, &copied);
    return text;
}

ScopedScreenDpi::ScopedScreenDpi(DWORD dpi) {
    SetScreenDpi(dpi);
}
ScopedScreenDpi::~ScopedScreenDpi() {
    SetScreenDpi(96);
}
