// What the host does when one of the browser's processes fails at run time: the
// page comes back by itself, the player decides about a hung page, and the
// author's log says what happened. Saves the page wrote are never touched.
#include "webview/velnor_webview.h"

#include "manifest/manifest.h"
#include "util/author_log.h"
#include "util/com_callback.h"
#include "util/message_box.h"

void VelnorWebView::RegisterProcessFailedHandler() {
    LogFailedRegistration(
        "ProcessFailed",
        AddHandler(webView_.get(), &ICoreWebView2::add_ProcessFailed,
                   [this](ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
                       OnProcessFailed(args);
                   }));
}

void VelnorWebView::OnProcessFailed(ICoreWebView2ProcessFailedEventArgs* args) {
    COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
    if (FAILED(args->get_ProcessFailedKind(&kind)))
        return LogForAuthor("process failure of an unknown kind: ignored");
    const std::string name = ProcessFailureKindName(kind);
    // The last message is up: nothing more is restarted or asked.
    if (endingAfterFailure_)
        return LogForAuthor(name + ": already ending");
    switch (ResponseToProcessFailure(kind)) {
    case FailureResponse::Reload:
        LogForAuthor(name + ": reloading the page");
        return ReloadAfterCrash();
    case FailureResponse::AskPlayer:
        LogForAuthor(name +
                     (askingPlayer_ ? ": the player is already asked" : ": asking the player"));
        return AskToRestartHungPage();
    case FailureResponse::RecreateBrowser:
        LogForAuthor(name + ": creating the browser again");
        return RecreateBrowser();
    case FailureResponse::LogOnly:
        LogForAuthor(name + ": left to the runtime");
        return;
    }
}

void VelnorWebView::ReloadAfterCrash() {
    if (!restartBudget_.TryRestart(GetTickCount64()))
        return EndAfterFailure();
    if (webView_)
        LogIfFailed("Reload", webView_->Reload());
}

// One box at a time: the runtime repeats the event while the page stays hung.
void VelnorWebView::AskToRestartHungPage() {
    if (askingPlayer_)
        return;
    askingPlayer_ = true;
    const bool restart = AskYesNo(manifest_->messages.unresponsive, manifest_->title);
    askingPlayer_ = false;
    if (restart && webView_)
        LogIfFailed("Reload", webView_->Reload());
}

// The dead browser's objects are let go and the whole chain runs again in the
// same window; the extension library and the content server stay as they are.
void VelnorWebView::RecreateBrowser() {
    if (!restartBudget_.TryRestart(GetTickCount64()))
        return EndAfterFailure();
    if (controller_)
        controller_->Close();
    webView2_.reset();
    webView_.reset();
    controller_.reset();
    environment_.reset();
    recreatingBrowser_ = true;
    Init();
}

void VelnorWebView::EndAfterFailure() {
    endingAfterFailure_ = true;
    LogForAuthor("the page could not be restarted: ending");
    ShowMessage(manifest_->messages.crashed, manifest_->title, MB_ICONERROR);
    PostQuitMessage(1);
}
