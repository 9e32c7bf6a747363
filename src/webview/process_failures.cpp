// What the host does when one of the browser's processes fails at run time: the
// page comes back by itself, the player decides about a hung page, and the
// author's log says what happened. Saves the page wrote are never touched.
// The handler only decides: every response runs from the message loop after it
// has returned, since the runtime forbids boxes, releasing the sender and
// starting the creation chain inside its callbacks.
#include "webview/velnor_webview.h"

#include <utility>

#include "manifest/manifest.h"
#include "util/com/co_task_text.h"
#include "util/log/author_log.h"
#include "util/message_box.h"

// The next start's crash report names the runtime's version and takes the
// runtime's own reports from its folder.
void VelnorWebView::NoteRuntimeForReports() {
    ICoreWebView2Environment* environment = session_ ? session_->environment() : nullptr;
    if (!runRecord_ || !environment)
        return;
    CoTaskString version, reportFolder;
    LogIfFailed("get_BrowserVersionString", environment->get_BrowserVersionString(version.put()));
    if (auto withReports = TryQuery<ICoreWebView2Environment11>(environment))
        LogIfFailed("get_FailureReportFolderPath",
                    withReports->get_FailureReportFolderPath(reportFolder.put()));
    runRecord_->NoteRuntime(Utf8Of(version), Utf8Of(reportFolder));
}

void VelnorWebView::OnProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    const std::string name = ProcessFailureKindName(kind);
    if (const std::string crash = CrashKindOfFailure(kind); runRecord_ && !crash.empty())
        runRecord_->NoteFailure(crash);
    // The last message is up: nothing more is restarted or asked.
    if (endingAfterFailure_)
        return LogForAuthor(name + ": already ending");
    switch (ResponseToProcessFailure(kind)) {
    case FailureResponse::Reload:
        LogForAuthor(name + ": reloading the page");
        return deferred_.Post("a reload", [this] { ReloadAfterCrash(); });
    case FailureResponse::AskPlayer:
        if (!hangQuestion_.TryAsk(GetTickCount64()))
            return LogForAuthor(name + ": the player is already asked about this hang");
        LogForAuthor(name + ": asking the player");
        return deferred_.Post("the question",
                              [this, session = sessionNumber_] { AskAboutHang(session); });
    case FailureResponse::RecreateBrowser:
        LogForAuthor(name + ": creating the browser again");
        return deferred_.Post("a new browser",
                              [this, session = sessionNumber_] { RecreateBrowser(session); });
    case FailureResponse::LogOnly:
        LogForAuthor(name + ": left to the runtime");
        return;
    }
}

void VelnorWebView::ReloadAfterCrash() {
    if (endingAfterFailure_)
        return;
    if (!restartBudget_.TryRestart(GetTickCount64()))
        return EndAfterFailure();
    if (ICoreWebView2* webView = session_ ? session_->webView() : nullptr)
        LogIfFailed("Reload", webView->Reload());
}

// A hung renderer may not honour Reload: Yes creates the browser again.
void VelnorWebView::AskAboutHang(uint64_t session) {
    if (endingAfterFailure_)
        return;
    const bool restart = AskYesNo(manifest_->messages.unresponsive, manifest_->title, mainWindow_);
    hangQuestion_.Answered(restart, GetTickCount64());
    if (restart && !endingAfterFailure_)
        RecreateBrowser(session);
}

// The failed browser's session ends and a new one runs the whole chain again in
// the same window; the extension library and the content server stay as they are.
// A failure of a session already replaced costs no second restart.
void VelnorWebView::RecreateBrowser(uint64_t session) {
    if (endingAfterFailure_)
        return;
    if (session != sessionNumber_)
        return LogForAuthor("the failed browser was already created again");
    if (!restartBudget_.TryRestart(GetTickCount64()))
        return EndAfterFailure();
    EndSession();
    StartSession();
}

void VelnorWebView::EndAfterFailure() {
    if (std::exchange(endingAfterFailure_, true))
        return;
    LogForAuthor("the page could not be restarted: ending");
    ShowMessage(manifest_->messages.crashed, manifest_->title, MB_ICONERROR, mainWindow_);
    PostQuitMessage(1);
}
