#include "app/startup.h"

#include <cstdio>
#include <optional>
#include <utility>

#include <gdiplus.h>
#include <knownfolders.h>

#include "app/icon.h"
#include "app/main_window.h"
#include "app/manifest.h"
#include "bootstrap/runtime_check.h"
#include "extensions/extension_host.h"
#include "util/files.h"
#include "util/long_path.h"
#include "util/text.h"
#include "webview/velnor_webview.h"

VelnorWebView* g_webView = nullptr;

namespace {
constexpr char kContentFolder[] = "www\\";
constexpr wchar_t kHostCaption[] = L"Quorrin";
constexpr wchar_t kLoadFailedMessage[] =
    L"Failed to load package.json. Check the file is in the same folder as the app.";
constexpr wchar_t kParseFailedMessage[] = L"Failed to parse package.json. Check the file has "
                                          L"valid JSON and that all parameters are correct.";
constexpr wchar_t kRegisterClassFailedMessage[] = L"Failed to register window class";
constexpr wchar_t kCreateWindowFailedMessage[] = L"Failed to create window";

int FailStartup(const wchar_t* message) {
    MessageBoxW(nullptr, message, kHostCaption, MB_OK | MB_ICONERROR);
    return 1;
}

// The detailed reason of a rejected manifest is never shown, so every failure
// collapses to false here.
bool TryParseManifest(const std::string& text, AppManifest& manifest) {
    try {
        ParseManifest(text, manifest);
        return true;
    } catch (...) {
        return false;
    }
}

HICON LoadWindowIcon(HINSTANCE instance, const std::string& applicationFolder,
                     const AppManifest& manifest) {
    HICON icon = nullptr;
    if (!manifest.icon.empty())
        icon = LoadIconFromImageFile(applicationFolder + manifest.icon);
    // The executable carries no icon resource, so this usually stays null and
    // the system shows its default window icon.
    if (!icon)
        icon = LoadIconW(instance, IDI_APPLICATION);
    return icon;
}

// "Release" while the web view still exists (its posts still go out), then the
// library is unloaded and the host destroyed.
void ReleaseExtensionLibrary() {
    if (g_extensionHost->releaseEntry)
        g_extensionHost->releaseEntry();
    if (g_extensionHost->libraryModule) {
        FreeLibrary(g_extensionHost->libraryModule);
        g_extensionHost->libraryModule = nullptr;
    }
    delete std::exchange(g_extensionHost, nullptr);
}

WPARAM RunMessageLoop() {
    MSG message = {};
    // -1 (an invalid call) counts as non-zero, so the loop goes on.
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.wParam;
}
} // namespace

std::string ReadManifestText(const std::string& path) {
    FILE* file = nullptr;
    if (_wfopen_s(&file, ToLongPath(Utf8ToWide(path)).c_str(), L"rbS") != 0 || !file)
        return {};
    std::string text(FileSizeOf(path), '\0');
    if (!text.empty())
        text.resize(fread(text.data(), 1, text.size(), file));
    fclose(file);
    return text;
}

int RunHost(HINSTANCE instance) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    const std::string applicationFolder = FolderOfPath(GetExecutablePath());
    const std::string manifestText = ReadManifestText(applicationFolder + "package.json");
    if (manifestText.empty())
        return FailStartup(kLoadFailedMessage);
    AppManifest manifest;
    if (!TryParseManifest(manifestText, manifest))
        return FailStartup(kParseFailedMessage);

    // The browser control's profile folder and the installer's download folder.
    const std::string userDataFolder =
        KnownFolderPathUtf8(FOLDERID_LocalAppData) + "\\" + manifest.name;

    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    manifest.iconHandle = LoadWindowIcon(instance, applicationFolder, manifest);

    const std::optional<RuntimeFound> runtime = EnsureRuntime(manifest, instance, userDataFolder);
    if (!runtime)
        return 1;

    // Start-up goes on whether or not an extension library is there.
    g_extensionHost = new ExtensionHost(applicationFolder, kContentFolder, userDataFolder);
    LoadExtensionLibrary();

    if (!RegisterMainWindowClass(instance, manifest.iconHandle))
        return FailStartup(kRegisterClassFailedMessage);
    HWND mainWindow = CreateMainWindow(instance, manifest);
    if (!mainWindow)
        return FailStartup(kCreateWindowFailedMessage);
    if (g_extensionHost->mainWindowCreatedEntry)
        g_extensionHost->mainWindowCreatedEntry(mainWindow);

    VelnorWebView webView(manifest, mainWindow, applicationFolder, kContentFolder,
                          runtime->browserExecutableFolder, userDataFolder);
    g_webView = &webView;
    webView.Init();

    const WPARAM quitCode = RunMessageLoop();

    webView.mappedFiles.UnmapAll();
    g_webView = nullptr;
    ReleaseExtensionLibrary();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    // The web view host releases its browser objects as this frame ends.
    return static_cast<int>(static_cast<uint32_t>(quitCode));
}
