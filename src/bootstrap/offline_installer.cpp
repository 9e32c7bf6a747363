// The vendor's standalone runtime installer shipped beside the program, for
// players without internet: run silently while a waiting window is shown.
#include "bootstrap/runtime_check.h"

#include "bootstrap/installer_trust.h"
#include "bootstrap/setup_window.h"
#include "manifest/manifest.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/long_path.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"

namespace {
struct InstallJob {
    HANDLE installer;
    HWND waitingWindow;
};

unsigned __stdcall WaitForInstallerThreadProc(void* argument) {
    auto* job = static_cast<InstallJob*>(argument);
    WaitForSingleObject(job->installer, INFINITE);
    EndSetupWindow(job->waitingWindow);
    return 0;
}
} // namespace

bool OfflineInstallerPresent(const std::string& installerPath) {
    const DWORD attributes = GetFileAttributesW(ToLongPath(Utf8ToWide(installerPath)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void InstallRuntimeOffline(HINSTANCE instance, const std::string& installerPath,
                           const AppManifest& manifest, const SetupWindowLook& look) {
    const SystemLibrary commonControls = InitSetupControls(manifest);
    if (!commonControls)
        return;
    const std::wstring program = Utf8ToWide(installerPath);
    // Held against writes from the check until the installer has ended.
    const ScopedHandle held(OpenHeldAgainstWrites(program));
    if (!held || !IsSignedByRuntimeVendor(program, held.get()))
        return;
    // The vendor's documented arguments for a silent per-machine or per-user install.
    std::wstring commandLine = L"\"" + program + L"\" /silent /install";
    const ScopedProcess installer = StartProcess(program.c_str(), commandLine.data(), nullptr);
    if (!installer.process) {
        const DWORD error = GetLastError();
        LogForAuthor("the runtime installer " + PathForAuthorLog(installerPath) +
                     " could not start: error " + std::to_string(error));
        return;
    }
    const std::optional<SetupWindow> setup =
        OpenSetupWindow(instance, manifest, manifest.messages.installing, SetupBar::Marquee, look);
    if (setup) {
        // Closing it would leave the program waiting unseen until the installer ends.
        HoldSetupWindowOpen(setup->window);
        InstallJob job{installer.process.get(), setup->window};
        RunWhileShowing(WaitForInstallerThreadProc, &job);
    } else {
        WaitForSingleObject(installer.process.get(), INFINITE);
    }
    DWORD exitCode = 0;
    if (GetExitCodeProcess(installer.process.get(), &exitCode))
        LogForAuthor("the runtime installer ended with exit code " + std::to_string(exitCode));
}
