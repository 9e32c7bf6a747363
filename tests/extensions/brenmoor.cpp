// Test versions of the extension library Brenmoor.dll. Each variant (chosen at
// build time) records every call it receives, as JSON lines in brenmoor.log
// beside itself, so tests can read back what the host handed it.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#define EXPORT extern "C" __declspec(dllexport)

namespace {
HMODULE g_module = nullptr;
HWND g_mainWindow = nullptr;
void (*g_post)(const char*) = nullptr;
std::string g_applicationFolder;

std::string Hex(const char* text) {
    std::string hex;
    char pair[3];
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        std::snprintf(pair, sizeof(pair), "%02x", *c);
        hex += pair;
    }
    return hex;
}

// One JSON line: {"call":name, <fields>}, strings given as hex of their bytes.
void Record(const char* call, const std::string& fields = "") {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_module, path, MAX_PATH);
    std::wstring log = path;
    log = log.substr(0, log.rfind(L'\\') + 1) + L"brenmoor.log";
    if (FILE* file = _wfopen(log.c_str(), L"ab")) {
        std::fprintf(file, "{\"call\":\"%s\"%s%s}\n", call, fields.empty() ? "" : ",",
                     fields.c_str());
        std::fclose(file);
    }
}

// Whether the host's main window, on the calling thread, is already on screen.
[[maybe_unused]] bool HostWindowShown() {
    bool shown = false;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (wcscmp(name, L"Quorrin") == 0 && IsWindowVisible(window))
                *reinterpret_cast<bool*>(found) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

[[maybe_unused]] void Post(const char* json) {
    if (g_post)
        g_post(json);
}

// While "Release" runs: may a probe file be written again (the host's mapped
// files released), and does a size message still reach the browser control?
[[maybe_unused]] void CheckShutdownOrder() {
    const std::string probe = g_applicationFolder + "www\\probe.bin";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool writable = file != INVALID_HANDLE_VALUE;
    if (writable)
        CloseHandle(file);
    if (g_mainWindow)
        SendMessageW(g_mainWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 100));
    Record("ReleaseCheck", std::string("\"probeWritable\":") + (writable ? "true" : "false"));
}
} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID processExit) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    if (reason == DLL_PROCESS_DETACH)
        Record("Detach", std::string("\"byFreeLibrary\":") + (processExit ? "false" : "true"));
    return TRUE;
}

#ifdef BRENMOOR_NEEDS_DEPENDENCY
// A load-time import: the library loads only where this one is found.
extern "C" __declspec(dllimport) int QuorrinDependencyAnswer();
EXPORT int DependencyAnswer() {
    return QuorrinDependencyAnswer();
}
#endif

#ifndef BRENMOOR_ONLY_MESSAGE
EXPORT const char* const* Init(const char* applicationFolder, const char* contentFolder,
                               const char* userDataFolder, void (*post)(const char*)) {
    g_post = post;
    g_applicationFolder = applicationFolder;
    Record("Init", "\"applicationFolder\":\"" + Hex(applicationFolder) + "\",\"contentFolder\":\"" +
                       Hex(contentFolder) + "\",\"userDataFolder\":\"" + Hex(userDataFolder) +
                       "\",\"post\":" + (post ? "true" : "false") + ",\"windowShown\":" +
                       (HostWindowShown() ? "true" : "false"));
#ifdef BRENMOOR_POSTS
    Post("{\"type\":\"from-init\"}");
#endif
    static const char* const ids[] = {BRENMOOR_IDS};
    return BRENMOOR_RETURNS_IDS ? ids : nullptr;
}

EXPORT void Release() {
    Record("Release");
#ifdef BRENMOOR_SLOW_RELEASE
    // Holds the host in its shutdown while "release.hold" lies beside the library (30 s at most).
    const std::string hold = g_applicationFolder + "release.hold";
    for (int i = 0; i < 1500 && GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
#endif
#ifdef BRENMOOR_POSTS
    CheckShutdownOrder();
    Post("{\"type\":\"from-release\"}");
#endif
}

EXPORT void OnMainWindowCreated(HWND mainWindow) {
    g_mainWindow = mainWindow;
    Record("OnMainWindowCreated",
           "\"window\":" + std::to_string(reinterpret_cast<uintptr_t>(mainWindow)) +
               ",\"visible\":" + (IsWindowVisible(mainWindow) ? "true" : "false"));
#ifdef BRENMOOR_POSTS
    Post("{\"type\":\"from-main-window\"}");
#endif
}
#endif

EXPORT void OnExtensionMessage(const char* message) {
    Record("OnExtensionMessage", "\"text\":\"" + Hex(message) + "\"");
#ifdef BRENMOOR_POSTS
    Post("{\"type\":\"from-message\",\"reply\":[1,2]}");
#endif
#ifdef BRENMOOR_POSTS_NOT_JSON
    Post("this is not JSON {");
    Post("{\"type\":\"after-bad\"}");
#endif
#ifdef BRENMOOR_FAULTS_IN_MESSAGE
    // A library's bug: a write through a null pointer, unhandled in the host's process.
    *static_cast<volatile int*>(nullptr) = 1;
#endif
#ifdef BRENMOOR_BOX_IN_MESSAGE
    // A box of the library's own: its loop runs while the message is handled.
    MessageBoxW(g_mainWindow, L"From the extension.", L"Brenmoor", MB_OK);
    Record("BoxClosed");
#endif
#ifdef BRENMOOR_POSTS_FROM_WORKER
    std::thread([] { Post("{\"type\":\"from-worker\"}"); }).join();
#endif
#ifdef BRENMOOR_LEAKS_MIB
    // A deliberate leak on the host's heap, every page touched, for the memory measure's own test.
    static std::vector<std::string> kept;
    kept.emplace_back(BRENMOOR_LEAKS_MIB * 1024 * 1024, 'x');
#endif
}
