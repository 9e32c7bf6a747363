#include "app/startup.h"

#include <cstdio>
#include <memory>
#include <optional>

#include <gdiplus.h>
#include <knownfolders.h>

#include "app/icon.h"
#include "app/main_window.h"
#include "app/second_instance.h"
#include "app/window_placement.h"
#include "bootstrap/runtime_check.h"
#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "steam/steam_session.h"
#include "app/startup_log.h"
#include "util/author_log.h"
#include "util/dpi_awareness.h"
#include "util/files.h"
#include "util/long_path.h"
#include "util/message_box.h"
#include "util/message_loop.h"
#include "util/text.h"
#include "webview/velnor_webview.h"

namespace {
constexpr char kContentFolder[] = "www\\";
constexpr char kHostCaption[] = "Quorrin";
constexpr char kLoadFailedMessage[] =
    "Failed to load package.json. Check the file is in the same folder as the app.";
constexpr char kParseFailedMessage[] = "Failed to parse package.json. Check the file has "
                                       "valid JSON and that all parameters are correct.";
constexpr char kRegisterClassFailedMessage[] = "Failed to register window class";
constexpr char kCreateWindowFailedMessage[] = "Failed to create window";

int FailStartup(const char* message) {
    ShowMessage(message, kHostCaption, MB_ICONERROR);
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

// GDI+ from start-up to the end of the host, on every exit path.
class GdiplusSession {
public:
    GdiplusSession() { Gdiplus::GdiplusStartup(&token_, &input_, nullptr); }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    Gdiplus::GdiplusStartupInput input_;
    ULONG_PTR token_ = 0;
};

// Publishes the web view host to the window procedure. Ending the publication
// first releases the mapped files, so nothing stays open once the loop is over.
class PublishedWebView {
public:
    explicit PublishedWebView(VelnorWebView& webView) : webView_(webView) { g_webView = &webView; }
    ~PublishedWebView() {
        webView_.UnmapContentFiles();
        g_webView = nullptr;
    }
    PublishedWebView(const PublishedWebView&) = delete;
    PublishedWebView& operator=(const PublishedWebView&) = delete;

private:
    VelnorWebView& webView_;
};
} // namespace

std::string ReadManifestText(const std::string& path) {
    FILE* opened = nullptr;
    if (_wfopen_s(&opened, ToLongPath(Utf8ToWide(path)).c_str(), L"rbS") != 0 || !opened)
        return {};
    const std::unique_ptr<FILE, int (*)(FILE*)> file(opened, fclose);
    std::string text(FileSizeOf(path), '\0');
    if (!text.empty())
        text.resize(fread(text.data(), 1, text.size(), file.get()));
    return text;
}

namespace {
// The owners below end in reverse order of their declaration: the published web
// view (mapped files, g_webView), the extension library, GDI+, the web view host
// with its browser objects (it waits for the browser's end, so the page's last
// saves are on disk), and last of all Steam.
int RunHostUntilExit(HINSTANCE instance) {
    const std::string applicationFolder = FolderOfPath(GetExecutablePath());
    const std::string manifestText = ReadManifestText(applicationFolder + "package.json");
    AppManifest manifest;
    const bool parsed = !manifestText.empty() && TryParseManifest(manifestText, manifest);
    // Before any window, COM's own included; a refused manifest's message box is
    // system aware, as it always was.
    UseDpiAwareness(parsed && manifest.dpiAwareness == DpiAwareness::PerMonitor);
    // COM stays initialised until the process ends.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (manifestText.empty())
        return FailStartup(kLoadFailedMessage);
    if (!parsed)
        return FailStartup(kParseFailedMessage);

    // The browser control's profile folder and the installer's download folder.
    const std::string userDataFolder =
        KnownFolderPathUtf8(FOLDERID_LocalAppData) + "\\" + manifest.name;
    OpenAuthorLog(userDataFolder);
    LogStartup(manifest, applicationFolder);

    // A later start of a single-instance application only wakes the first copy:
    // no web view. The log says what became of it.
    std::optional<SingleInstance> singleInstance;
    if (manifest.singleInstance &&
        singleInstance.emplace(manifest.name).DeferToFirstCopy(CommandLineArguments()))
        return 0;

    // Before any window; shut down only after the web view host below is gone.
    SteamSession steam(manifest.steam, applicationFolder);
    if (steam.HandOverToSteam())
        return 0;

    std::optional<VelnorWebView> webView;
    const GdiplusSession gdiplus;
    manifest.iconHandle = LoadWindowIcon(instance, applicationFolder, manifest);

    const std::optional<RuntimeFound> runtime = EnsureRuntime(manifest, instance, userDataFolder);
    if (!runtime)
        return 1;

    const ExtensionSession extensions(applicationFolder, kContentFolder, userDataFolder);
    if (!RegisterMainWindowClass(instance, manifest.iconHandle, manifest.backgroundColor))
        return FailStartup(kRegisterClassFailedMessage);
    std::optional<PlacementKeeper> placementKeeper;
    std::optional<SavedPlacement> placement;
    if (manifest.rememberPlacement)
        placement = placementKeeper.emplace(userDataFolder).Load();
    HWND mainWindow = CreateMainWindow(instance, manifest, placement ? &*placement : nullptr);
    if (!mainWindow)
        return FailStartup(kCreateWindowFailedMessage);
    extensions.MainWindowCreated(mainWindow);

    webView.emplace(manifest, mainWindow, applicationFolder, kContentFolder,
                    runtime->browserExecutableFolder, userDataFolder);
    const PublishedWebView published(*webView);
    webView->AnswerSteamCallsWith([&steam](const std::string& text) { return steam.Answer(text); });
    const SteamCallbackTimer steamCallbacks(
        steam, mainWindow, [&webView](const std::string& json) { webView->PostToPage(json); });
    if (placement && placement->fullScreen)
        webView->EnterFullScreen();
    MainWindowState* windowState = MainWindowStateOf(mainWindow);
    if (placementKeeper) {
        windowState->placement = &*placementKeeper;
        placementKeeper->Track(mainWindow, false); // where it was created
    }
    // Players see the window at once, in its background colour, rather than
    // nothing until the page has loaded.
    if (manifest.show == WindowShow::AtOnce) {
        ShowWindow(mainWindow, SW_SHOW);
        UpdateWindow(mainWindow);
    }
    if (singleInstance) {
        singleInstance->Publish(mainWindow);
        windowState->singleInstance = &*singleInstance;
    }
    webView->Init();

    const auto exitCode = static_cast<int>(static_cast<uint32_t>(RunMessageLoop()));
    // A loop ended by a failure leaves the window: its state outlives the owners.
    if (IsWindow(mainWindow))
        *windowState = {};
    return exitCode;
}
} // namespace

int RunHost(HINSTANCE instance) {
    const int exitCode = RunHostUntilExit(instance);
    LogForAuthor("exit code " + std::to_string(exitCode));
    CloseAuthorLog();
    return exitCode;
}
