#include "bridge/directory_handles.h"

#include <array>

#include <knownfolders.h>

#include "bridge/handle_plan.h"
#include "bridge/page_message.h"
#include "util/log/author_log.h"
#include "util/com/com_ptr.h"
#include "util/text/files.h"
#include "util/text/text.h"

namespace {
constexpr size_t kHandleCount = 13;

// Positions 3 to 12, in order.
const KNOWNFOLDERID* const kKnownFolders[] = {
    &FOLDERID_LocalAppData, &FOLDERID_RoamingAppData, &FOLDERID_Desktop, &FOLDERID_Documents,
    &FOLDERID_Downloads,    &FOLDERID_Pictures,       &FOLDERID_Profile, &FOLDERID_SavedGames,
    &FOLDERID_Screenshots,  &FOLDERID_Videos,
};

// An empty path, or a position not offered, stays null: positions never shift.
com_ptr<ICoreWebView2FileSystemHandle>
CreateDirectoryHandle(ICoreWebView2Environment14* environment, const HandleFolders& folders,
                      size_t position, const std::string& path) {
    com_ptr<ICoreWebView2FileSystemHandle> handle;
    const HandlePlan plan =
        PlanDirectoryHandle(position, folders.chosen, folders.writableProgramFolder);
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

    std::array<com_ptr<ICoreWebView2FileSystemHandle>, kHandleCount> handles;
    handles[0] = CreateDirectoryHandle(environment14.get(), folders, 0, folders.application);
    handles[1] = CreateDirectoryHandle(environment14.get(), folders, 1, folders.content);
    handles[2] = CreateDirectoryHandle(environment14.get(), folders, 2, folders.userData);
    for (size_t i = 0; i < std::size(kKnownFolders); ++i)
        handles[3 + i] = CreateDirectoryHandle(environment14.get(), folders, 3 + i,
                                               KnownFolderPathUtf8(*kKnownFolders[i]));

    std::array<IUnknown*, kHandleCount> items = {};
    for (size_t i = 0; i < kHandleCount; ++i)
        items[i] = handles[i].get();
    com_ptr<ICoreWebView2ObjectCollection> collection;
    environment14->CreateObjectCollection(kHandleCount, items.data(), collection.put());
    webView23->PostWebMessageAsJsonWithAdditionalObjects(
        Utf8ToWide(DirectoryHandlesMessage()).c_str(), collection.get());
}
