#include "webview/navigation_guard.h"

#include <utility>

#include "util/com/co_task_text.h"
#include "webview/page_policy.h"

namespace {
// Where a navigation or a new window goes, and whether a click or a key asked.
template <typename Args> std::pair<std::string, bool> TargetOf(Args* args) {
    CoTaskString uri;
    LogIfFailed("get_Uri", args->get_Uri(uri.put()));
    BOOL userInitiated = FALSE;
    LogIfFailed("get_IsUserInitiated", args->get_IsUserInitiated(&userInitiated));
    // A missing URI is not ours either.
    return {Utf8Of(uri), userInitiated != FALSE};
}
} // namespace

NavigationGuard::NavigationGuard(ICoreWebView2* webView, std::string pageOrigin, bool remoteContent,
                                 OpenInShell openInShell)
    : pageOrigin_(std::move(pageOrigin)), remoteContent_(remoteContent),
      openInShell_(std::move(openInShell)) {
    subscriptions_.Add("NavigationStarting", webView, &ICoreWebView2::add_NavigationStarting,
                       &ICoreWebView2::remove_NavigationStarting,
                       [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
                           OnNavigationStarting(args);
                       });
    subscriptions_.Add("NewWindowRequested", webView, &ICoreWebView2::add_NewWindowRequested,
                       &ICoreWebView2::remove_NewWindowRequested,
                       [this](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
                           OnNewWindowRequested(args);
                       });
    // Older runtimes lack ICoreWebView2_18: their own prompt stays the only guard.
    if (com_ptr<ICoreWebView2_18> view18 =
            com_ptr<ICoreWebView2>::copy_from(webView).try_query<ICoreWebView2_18>())
        subscriptions_.Add(
            "LaunchingExternalUriScheme", view18.get(),
            &ICoreWebView2_18::add_LaunchingExternalUriScheme,
            &ICoreWebView2_18::remove_LaunchingExternalUriScheme,
            [this](ICoreWebView2*, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) {
                OnLaunchingExternalUriScheme(args);
            });
}

void NavigationGuard::OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) {
    const auto [target, userInitiated] = TargetOf(args);
    const NavigationVerdict verdict =
        JudgeNavigation(target, pageOrigin_, remoteContent_, userInitiated);
    if (verdict == NavigationVerdict::Allow)
        return;
    LogIfFailed("put_Cancel", args->put_Cancel(TRUE));
    if (verdict == NavigationVerdict::OpenInShell)
        openInShell_(target);
}

void NavigationGuard::OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) {
    const auto [target, userInitiated] = TargetOf(args);
    if (NewWindowGoesToShell(target, userInitiated))
        openInShell_(target);
    LogIfFailed("put_Handled", args->put_Handled(TRUE));
}

void NavigationGuard::OnLaunchingExternalUriScheme(
    ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) {
    CoTaskString origin;
    LogIfFailed("get_InitiatingOrigin", args->get_InitiatingOrigin(origin.put()));
    if (!AllowsExternalScheme(Utf8Of(origin), pageOrigin_))
        LogIfFailed("put_Cancel", args->put_Cancel(TRUE));
}
