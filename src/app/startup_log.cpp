#include "app/startup_log.h"

#include <windows.h>

#include "manifest/manifest.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/profile_path.h"

namespace {
// GetVersionExW answers what the program's manifest claims; ntdll tells the truth.
std::string WindowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    const auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!getVersion || getVersion(&info) != 0)
        return "unknown";
    return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
           std::to_string(info.dwBuildNumber);
}

const char* ContextMenuWord(ContextMenuMode mode) {
    switch (mode) {
    case ContextMenuMode::Edit:
        return "edit";
    case ContextMenuMode::None:
        return "none";
    default:
        return "default";
    }
}
} // namespace

void LogStartup(const AppManifest& manifest, const std::string& applicationFolder) {
    LogForAuthor(std::string("Quorrin ") + kQuorrinVersion + " starting on Windows " +
                 WindowsVersion());
    LogForAuthor(std::string("modes: distribution ") +
                 (manifest.distributionMode == DistributionMode::Fixed ? "fixed" : "evergreen") +
                 ", content " +
                 (manifest.contentMode == ContentMode::Remote ? "remote" : "bundle") +
                 ", context menu " + ContextMenuWord(manifest.contextMenu) + ", devtools " +
                 (manifest.enableDevtools ? "on" : "off"));
    LogForAuthor("program folder: " + PathForAuthorLog(applicationFolder));
}
