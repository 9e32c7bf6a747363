#pragma once
// Makes sure a WebView2 runtime is there before the main window exists.
#include <optional>
#include <string>

#include <windows.h>

#include "bootstrap/setup_window.h"

struct AppManifest;

// The vendor's published link to the evergreen runtime's online installer.
// Process-wide so that a test build can point it elsewhere.
extern std::wstring RuntimeDownloadUrl;

struct RuntimeFound {
    const wchar_t* browserExecutableFolder; // null: the installed (evergreen) runtime
};

// Fixed mode: the runtime in "webview2" (relative to the current directory), or
// a message. Evergreen mode: the installed runtime, installing it first when it
// is missing (from the standalone installer beside the program when there is
// one, else downloaded). Nothing when start-up must end with exit code 1.
// `look` is the setup window's.
std::optional<RuntimeFound> EnsureRuntime(const AppManifest& manifest, HINSTANCE instance,
                                          const std::string& userDataFolder,
                                          const SetupWindowLook& look);

// Downloads the vendor's bootstrapper into the user data folder with a progress
// window, runs it and waits for it.
void InstallRuntime(HINSTANCE instance, const std::string& userDataFolder,
                    const AppManifest& manifest, const SetupWindowLook& look);

// The vendor's standalone installer, under its own name, beside the program.
inline constexpr char kOfflineRuntimeInstaller[] = "MicrosoftEdgeWebView2RuntimeInstallerX64.exe";

bool OfflineInstallerPresent(const std::string& installerPath);

// Runs the standalone installer silently and waits for it behind a waiting window.
void InstallRuntimeOffline(HINSTANCE instance, const std::string& installerPath,
                           const AppManifest& manifest, const SetupWindowLook& look);
