// The end of the browser at exit. The engine writes the profile (IndexedDB,
// localStorage) out after its controller has closed, and only its processes'
// end says that it has: the host waits for it, bounded, before Steam shuts down
// and syncs the saves, and before the process ends.
#include "webview/velnor_webview.h"

#include "util/log/author_log.h"
#include "util/message_loop.h"

namespace {
constexpr DWORD kBrowserExitWaitMs = 5000;
}

void VelnorWebView::CloseBrowserForExit() {
    if (!session_)
        return;
    DetachSessionFeatures();
    session_->CloseBrowser();
    if (!session_->BrowserExitPending())
        return;
    if (!RunMessagesUntil([this] { return !session_->BrowserExitPending(); }, kBrowserExitWaitMs))
        LogForAuthor("the browser had not ended 5 s after closing: ending without it, so the "
                     "page's last saves may not be on disk");
}
