#include "bootstrap/runtime_check.h"

#include <WebView2.h>

#include "app/manifest.h"
#include "util/text.h"

std::wstring RuntimeDownloadUrl = L"https://go.microsoft.com/fwlink/p/?LinkId=2124703";

namespace {
constexpr wchar_t kFixedRuntimeFolder[] = L"webview2";
constexpr wchar_t kFixedRuntimeMissing[] =
    L"This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    L"initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime "
    L"in the \"webview2\" subfolder.";

// Present exactly when the loader hands back a version string.
bool RuntimePresent(const wchar_t* browserExecutableFolder) {
    LPWSTR version = nullptr;
    GetAvailableCoreWebView2BrowserVersionString(browserExecutableFolder, &version);
    const bool present = version != nullptr;
    CoTaskMemFree(version);
    return present;
}

void Tell(const AppManifest& manifest, const std::wstring& text, UINT icon) {
    MessageBoxW(nullptr, text.c_str(), Utf8ToWide(manifest.title).c_str(), MB_OK | icon);
}
} // namespace

std::optional<RuntimeFound> EnsureRuntime(const AppManifest& manifest, HINSTANCE instance,
                                          const std::string& userDataFolder) {
    if (manifest.distributionMode == DistributionMode::Fixed) {
        if (RuntimePresent(kFixedRuntimeFolder))
            return RuntimeFound{kFixedRuntimeFolder};
        Tell(manifest, kFixedRuntimeMissing, MB_ICONERROR);
        return std::nullopt;
    }
    if (RuntimePresent(nullptr))
        return RuntimeFound{nullptr};
    Tell(manifest, Utf8ToWide(manifest.messages.installWebview2), MB_ICONINFORMATION);
    InstallRuntime(instance, userDataFolder, manifest);
    if (RuntimePresent(nullptr))
        return RuntimeFound{nullptr};
    Tell(manifest, Utf8ToWide(manifest.messages.installWebview2Failed), MB_ICONERROR);
    return std::nullopt;
}
