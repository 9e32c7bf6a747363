#include "app/startup_log.h"

#include <windows.h>

#include "manifest/manifest.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/profile_path.h"
#include "util/windows_version.h"

namespace {
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
