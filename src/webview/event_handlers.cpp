// The host's answers to the browser control's events. Every handler runs on the
// UI thread and leaves no state of its own; what could run a message loop or
// end the browser is deferred to the main window's loop.
#include "webview/velnor_webview.h"

#include <shellapi.h>

#include "manifest/manifest.h"
#include "util/author_log.h"
#include "util/text.h"
#include "webview/fullscreen_key_press.h"

namespace {
// Only web and mail addresses go to the shell: "open" on a file: or another
// scheme would let a page start local programs.
bool IsSafeForShell(const std::wstring& uri) {
    for (const wchar_t* scheme : {L"http:", L"https:", L"mailto:"}) {
        const size_t length = wcslen(scheme);
        if (uri.size() >= length && _wcsnicmp(uri.c_str(), scheme, length) == 0)
            return true;
    }
    return false;
}
} // namespace

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

void VelnorWebView::OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) {
    CoTaskString uri;
    LogIfFailed("get_Uri", args->get_Uri(uri.put()));
    // Byte for byte: no case folding, no decoding. A missing URI is not ours either.
    const std::string target = uri ? WideToUtf8(uri.get()) : std::string();
    if (target.compare(0, pageOrigin_.size(), pageOrigin_) != 0)
        LogIfFailed("put_Cancel", args->put_Cancel(TRUE));
}

void VelnorWebView::OnPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args) {
    LogIfFailed("put_State", args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW));
}

void VelnorWebView::OnContainsFullScreenElementChanged(ICoreWebView2* sender) {
    BOOL containsFullScreenElement = FALSE;
    LogIfFailed("get_ContainsFullScreenElement",
                sender->get_ContainsFullScreenElement(&containsFullScreenElement));
    windowCommands_.SetFullScreen(containsFullScreenElement != FALSE,
                                  FullScreenOrigin::PageElement);
}

// Posted: closing destroys the control's window, which must not happen inside its handler.
void VelnorWebView::OnWindowCloseRequested() {
    if (!PostMessageW(mainWindow_, WM_CLOSE, 0, 0))
        LogForAuthor("could not post WM_CLOSE: error " + std::to_string(GetLastError()));
}

void VelnorWebView::OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) {
    CoTaskString uri;
    LogIfFailed("get_Uri", args->get_Uri(uri.put()));
    // The shell may run a message loop (a choice of program, a warning): from the loop.
    if (uri && IsSafeForShell(uri.get()))
        deferred_.Post("a shell open", [target = std::wstring(uri.get())] {
            ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
        });
    LogIfFailed("put_Handled", args->put_Handled(TRUE));
}

void VelnorWebView::OnAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    UINT key = 0;
    LogIfFailed("get_VirtualKey", args->get_VirtualKey(&key));
    if (manifest_->enableDevtools && key == VK_F12)
        LogIfFailed("OpenDevToolsWindow", session_->webView()->OpenDevToolsWindow());
    if (manifest_->fullscreenKeys)
        HandleFullScreenKey(args, windowCommands_);
}
