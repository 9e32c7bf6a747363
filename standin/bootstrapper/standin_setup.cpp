// A stand-in for the vendor's runtime bootstrapper. The "installs" variant (and
// "unsigned", the same without a signature)
// installs the stand-in runtime for the current user (the marker that evergreen
// presence looks for) and records that it ran; "fails" and "does-nothing" only
// record that they ran, exiting with 1 and 0. Each first waits while the file
// "hold-setup" exists in that folder (for at most two minutes), so tests can
// look at the program while an installer runs.
#include <cstdio>
#include <string>

#include <windows.h>
#include <shlobj.h>

namespace {
std::wstring StandinFolder() {
    PWSTR localAppData = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)))
        folder = std::wstring(localAppData) + L"\\WebView2Standin";
    CoTaskMemFree(localAppData);
    return folder;
}

void Touch(const std::wstring& path, const char* text) {
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

void WaitWhileHeld(const std::wstring& folder) {
    const std::wstring hold = folder + L"\\hold-setup";
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetTickCount64() < deadline)
        Sleep(20);
}
} // namespace

int wmain() {
    const std::wstring folder = StandinFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    // Where it ran from and with which current directory, for the tests.
    wchar_t self[MAX_PATH] = {}, current[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, current);
    char line[2 * MAX_PATH * 3 + 8] = {};
    std::wstring record = std::wstring(self) + L"|" + current + L"|" + GetCommandLineW() + L"\n";
    WideCharToMultiByte(CP_UTF8, 0, record.c_str(), -1, line, sizeof(line) - 1, nullptr, nullptr);
    Touch(folder + L"\\bootstrapper-runs.log", line);
    WaitWhileHeld(folder);
#if defined(STANDIN_SETUP_INSTALLS) || defined(STANDIN_SETUP_UNSIGNED)
    Touch(folder + L"\\webview2-standin.marker", "installed by the stand-in bootstrapper\n");
    return 0;
#elif defined(STANDIN_SETUP_FAILS)
    return 1;
#else
    return 0;
#endif
}
