// The host's answers to the browser control's events. Every handler runs on the
// UI thread and leaves no state of its own.
#include "webview/velnor_webview.h"

#include <shellapi.h>

#include "manifest/manifest.h"
#include "util/author_log.h"
#include "util/text.h"
#include "webview/page_policy.h"

namespace {
std::string Utf8Uri(const CoTaskString& uri) {
    return uri ? WideToUtf8(uri.get()) : std::string();
}

void OpenInShell(const std::string& uri) {
    ShellExecuteW(nullptr, L"open", Utf8ToWide(uri).c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}
} // namespace

void VelnorWebView::ShowAndFocus() {
    ShowWindow(mainWindow_, SW_SHOW);
    UpdateWindow(mainWindow_);
    // A page loaded while the window is minimised stays hidden until it is restored.
    if (hiddenWhileMinimised_)
        return;
    controller_->put_IsVisible(TRUE);
    controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

void VelnorWebView::OnDocumentTitleChanged(ICoreWebView2* sender) {
    CoTaskString title;
    sender->get_DocumentTitle(title.put());
    if (title)
        SetWindowTextW(mainWindow_, title.get());
}

void VelnorWebView::OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) {
    CoTaskString uri;
    args->get_Uri(uri.put());
    BOOL userInitiated = FALSE;
    LogIfFailed("get_IsUserInitiated", args->get_IsUserInitiated(&userInitiated));
    // A missing URI is not ours either.
    const std::string target = Utf8Uri(uri);
    const NavigationVerdict verdict = JudgeNavigation(
        target, pageOrigin_, manifest_->contentMode == ContentMode::Remote, userInitiated != FALSE);
    if (verdict == NavigationVerdict::Allow)
        return;
    args->put_Cancel(TRUE);
    if (verdict == NavigationVerdict::OpenInShell)
        OpenInShell(target);
}

void VelnorWebView::OnPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args) {
    CoTaskString uri;
    args->get_Uri(uri.put());
    args->put_State(AllowsPermission(Utf8Uri(uri), pageOrigin_)
                        ? COREWEBVIEW2_PERMISSION_STATE_ALLOW
                        : COREWEBVIEW2_PERMISSION_STATE_DENY);
}

void VelnorWebView::OnContainsFullScreenElementChanged(ICoreWebView2* sender) {
    BOOL containsFullScreenElement = FALSE;
    sender->get_ContainsFullScreenElement(&containsFullScreenElement);
    windowCommands_.SetFullScreen(containsFullScreenElement != FALSE);
}

void VelnorWebView::OnWindowCloseRequested() {
    SendMessageW(mainWindow_, WM_CLOSE, 0, 0);
}

void VelnorWebView::OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) {
    CoTaskString uri;
    args->get_Uri(uri.put());
    BOOL userInitiated = FALSE;
    LogIfFailed("get_IsUserInitiated", args->get_IsUserInitiated(&userInitiated));
    if (NewWindowGoesToShell(Utf8Uri(uri), userInitiated != FALSE))
        OpenInShell(Utf8Uri(uri));
    args->put_Handled(TRUE);
}

void VelnorWebView::OnLaunchingExternalUriScheme(
    ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) {
    CoTaskString origin;
    args->get_InitiatingOrigin(origin.put());
    if (!AllowsExternalScheme(Utf8Uri(origin), pageOrigin_))
        args->put_Cancel(TRUE);
}

void VelnorWebView::OnAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    UINT key = 0;
    args->get_VirtualKey(&key);
    if (manifest_->enableDevtools && key == VK_F12)
        webView_->OpenDevToolsWindow();
}
