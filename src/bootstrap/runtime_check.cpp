#include "bootstrap/runtime_check.h"

#include <WebView2.h>

#include "manifest/manifest.h"
#include "util/text/files.h"
#include "util/log/author_log.h"
#include "util/message_box.h"
#include "util/text/text.h"

std::wstring RuntimeDownloadUrl = L"https://go.microsoft.com/fwlink/p/?LinkId=2124703";

namespace {
constexpr wchar_t kFixedRuntimeFolder[] = L"webview2";
constexpr char kFixedRuntimeMissing[] =
    "This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    "initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime "
    "in the \"webview2\" subfolder.";

// Present exactly when the loader hands back a version string.
bool RuntimePresent(const wchar_t* browserExecutableFolder) {
    LPWSTR version = nullptr;
    GetAvailableCoreWebView2BrowserVersionString(browserExecutableFolder, &version);
    const bool present = version != nullptr;
    LogForAuthor(present ? "WebView2 runtime " + WideToUtf8(version)
                         : std::string("no WebView2 runtime installed") +
                               (browserExecutableFolder ? " in \"webview2\"" : ""));
    CoTaskMemFree(version);
    return present;
}
} // namespace

std::optional<RuntimeFound> EnsureRuntime(const AppManifest& manifest, HINSTANCE instance,
                                          const std::string& userDataFolder,
                                          const SetupWindowLook& look) {
    if (manifest.distributionMode == DistributionMode::Fixed) {
        if (RuntimePresent(kFixedRuntimeFolder))
            return RuntimeFound{kFixedRuntimeFolder};
        ShowMessage(kFixedRuntimeMissing, manifest.title, MB_ICONERROR);
        return std::nullopt;
    }
    if (RuntimePresent(nullptr))
        return RuntimeFound{nullptr};
    ShowMessage(manifest.messages.installWebview2, manifest.title, MB_ICONINFORMATION);
    const std::string offlineInstaller =
        FolderOfPath(GetExecutablePath()) + kOfflineRuntimeInstaller;
    if (OfflineInstallerPresent(offlineInstaller))
        InstallRuntimeOffline(instance, offlineInstaller, manifest, look);
    else
        InstallRuntime(instance, userDataFolder, manifest, look);
    if (RuntimePresent(nullptr))
        return RuntimeFound{nullptr};
    ShowMessage(manifest.messages.installWebview2Failed, manifest.title, MB_ICONERROR);
    return std::nullopt;
}
