#include "bridge/directory_handles.h"

#include <array>

#include <knownfolders.h>

#include "bridge/handle_plan.h"
#include "bridge/page_message.h"
#include "content/final_path.h"
#include "manifest/manifest_rules.h"
#include "util/log/author_log.h"
#include "util/com/com_ptr.h"
#include "util/text/files.h"
#include "util/text/profile_path.h"
#include "util/text/text.h"

namespace {
constexpr size_t kHandleCount = kDirectoryHandleCount;

// Positions 3 to 12, in order; 13 is the saves folder.
const KNOWNFOLDERID* const kKnownFolders[] = {
    &FOLDERID_LocalAppData, &FOLDERID_RoamingAppData, &FOLDERID_Desktop, &FOLDERID_Documents,
    &FOLDERID_Downloads,    &FOLDERID_Pictures,       &FOLDERID_Profile, &FOLDERID_SavedGames,
    &FOLDERID_Screenshots,  &FOLDERID_Videos,
};

// The folder's final path, or the path as given when it cannot be opened.
std::string FinalFolderPath(const std::string& path) {
    const std::string finalPath = path.empty() ? path : FinalPathOf(path);
    return finalPath.empty() ? path : finalPath;
}

// Read-only where the plan says so; the author's log says why for a folder
// that holds the program or Startup folder, which naming it would expose.
HandlePlan PlanPosition(const HandleFolders& folders, size_t position, const std::string& path,
                        const std::string& programFolder, const std::string& startupFolder) {
    const WriteGuard guard = GuardOfFolder(FinalFolderPath(path), programFolder, startupFolder);
    const HandlePlan plan = PlanDirectoryHandle(position, folders.choice, guard);
    if (plan.offered && plan.readOnly && guard != WriteGuard::None && position > 1 &&
        !path.empty())
        LogPageCausedLine(std::string("directory handle \"") + kDirectoryHandleNames[position] +
                          "\" (" + ShortenProfilePath(path, KnownFolderPathUtf8(FOLDERID_Profile)) +
                          ") is read-only: " + GuardReason(guard));
    return plan;
}

// An empty path, or a position not offered, stays null: positions never shift.
com_ptr<ICoreWebView2FileSystemHandle>
CreateDirectoryHandle(ICoreWebView2Environment14* environment, const HandlePlan& plan,
                      const std::string& path) {
    com_ptr<ICoreWebView2FileSystemHandle> handle;
    if (path.empty() || !plan.offered)
        return handle;
    const HRESULT result = environment->CreateWebFileSystemDirectoryHandle(
        Utf8ToWide(path).c_str(),
        plan.readOnly ? COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION_READ_ONLY
                      : COREWEBVIEW2_FILE_SYSTEM_HANDLE_PERMISSION_READ_WRITE,
        handle.put());
    LogIfFailed("CreateWebFileSystemDirectoryHandle", result);
    return handle;
}
} // namespace

void PostDirectoryHandles(ICoreWebView2Environment* environment, ICoreWebView2* webView,
                          const HandleFolders& folders) {
    const auto environment14 = TryQuery<ICoreWebView2Environment14>(environment);
    const auto webView23 = TryQuery<ICoreWebView2_23>(webView);
    if (!environment14 || !webView23)
        return;

    std::array<std::string, kHandleCount> paths = {folders.application, folders.content,
                                                   folders.userData};
    for (size_t i = 0; i < std::size(kKnownFolders); ++i)
        paths[3 + i] = KnownFolderPathUtf8(*kKnownFolders[i]);
    paths[kHandleCount - 1] = folders.saves;
    const std::string programFolder = FinalFolderPath(folders.application);
    const std::string startupFolder = FinalFolderPath(KnownFolderPathUtf8(FOLDERID_Startup));

    std::array<com_ptr<ICoreWebView2FileSystemHandle>, kHandleCount> handles;
    for (size_t i = 0; i < kHandleCount; ++i)
        handles[i] = CreateDirectoryHandle(
            environment14.get(), PlanPosition(folders, i, paths[i], programFolder, startupFolder),
            paths[i]);

    std::array<IUnknown*, kHandleCount> items = {};
    for (size_t i = 0; i < kHandleCount; ++i)
        items[i] = handles[i].get();
    com_ptr<ICoreWebView2ObjectCollection> collection;
    environment14->CreateObjectCollection(kHandleCount, items.data(), collection.put());
    webView23->PostWebMessageAsJsonWithAdditionalObjects(
        Utf8ToWide(DirectoryHandlesMessage()).c_str(), collection.get());
}
