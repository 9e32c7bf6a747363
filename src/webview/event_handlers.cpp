// The host's answers to the browser control's events. Every handler runs on the
// UI thread and leaves no state of its own; what could run a message loop or
// end the browser is deferred to the main window's loop.
#include "webview/velnor_webview.h"

#include <shellapi.h>

#include "manifest/manifest.h"
#include "util/com/co_task_text.h"
#include "util/log/author_log.h"
#include "util/text/text.h"
#include "webview/fullscreen_key_press.h"
#include "webview/page_policy.h"

// The shell may run a message loop (a choice of program, a warning): from the loop.
void VelnorWebView::OpenInShellLater(const std::string& uri) {
    deferred_.Post("a shell open", [target = Utf8ToWide(uri)] {
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
    });
}

void VelnorWebView::ShowAndFocus() {
    ShowWindow(mainWindow_, SW_SHOW);
    UpdateWindow(mainWindow_);
    // A page loaded while the window is minimised stays hidden until it is restored.
    if (hiddenWhileMinimised_)
        return;
    ICoreWebView2Controller* controller = session_->controller();
    LogIfFailed("put_IsVisible", controller->put_IsVisible(TRUE));
    LogIfFailed("MoveFocus", controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
}

void VelnorWebView::OnDocumentTitleChanged(ICoreWebView2* sender) {
    CoTaskString title;
    LogIfFailed("get_DocumentTitle", sender->get_DocumentTitle(title.put()));
    if (title)
        SetWindowTextW(mainWindow_, title.get());
}

void VelnorWebView::OnPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args) {
    CoTaskString uri;
    LogIfFailed("get_Uri", args->get_Uri(uri.put()));
    // A kind that cannot be read is answered as an unknown one: the runtime's prompt.
    COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    LogIfFailed("get_PermissionKind", args->get_PermissionKind(&kind));
    switch (AnswerPermission(Utf8Of(uri), pageOrigin_, static_cast<int>(kind),
                             manifest_->allowedPermissions)) {
    case PermissionAnswer::Allow:
        LogIfFailed("put_State", args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW));
        break;
    case PermissionAnswer::Deny:
        LogIfFailed("put_State", args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY));
        break;
    case PermissionAnswer::RuntimePrompt:
        break;
    }
}

void VelnorWebView::OnContainsFullScreenElementChanged(ICoreWebView2* sender) {
    BOOL containsFullScreenElement = FALSE;
    LogIfFailed("get_ContainsFullScreenElement",
                sender->get_ContainsFullScreenElement(&containsFullScreenElement));
    windowCommands_.SetFullScreen(containsFullScreenElement != FALSE,
                                  FullScreenOrigin::PageElement);
}

// The page asked to close itself: nothing to ask it first. Posted: closing
// destroys the control's window, which must not happen inside its handler.
void VelnorWebView::OnWindowCloseRequested() {
    closeHandshake_.CloseNow();
}

// Once a press, not again while it repeats; the page sees no key Steam took.
void VelnorWebView::TakeScreenshotKey(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    COREWEBVIEW2_PHYSICAL_KEY_STATUS status = {};
    LogIfFailed("get_KeyEventKind", args->get_KeyEventKind(&kind));
    LogIfFailed("get_PhysicalKeyStatus", args->get_PhysicalKeyStatus(&status));
    if (kind != COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN && kind != COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP)
        return;
    const bool taken = kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN && !status.WasKeyDown
                           ? screenshotKey_()
                           : screenshotKey_ != nullptr;
    if (taken)
        LogIfFailed("put_Handled", args->put_Handled(TRUE));
}

void VelnorWebView::OnAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    UINT key = 0;
    LogIfFailed("get_VirtualKey", args->get_VirtualKey(&key));
    if (manifest_->enableDevtools && key == VK_F12)
        LogIfFailed("OpenDevToolsWindow", session_->webView()->OpenDevToolsWindow());
    else if (key == VK_F12 && screenshotKey_)
        TakeScreenshotKey(args);
    if (manifest_->fullscreenKeys)
        HandleFullScreenKey(args, windowCommands_);
}
