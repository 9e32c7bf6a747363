#pragma once
// Keeps the page where it belongs for one browser session: navigations off the
// page's origin are cancelled (or go to the shell), new windows go to the shell
// only for a click or a key, and external schemes only from the page's own
// origin. It registers its handlers on the session's web view when made and
// removes them when it ends, before the controller closes.
#include <functional>
#include <string>

#include <WebView2.h>

#include "util/com/event_subscriptions.h"

class NavigationGuard {
public:
    // `openInShell` is for an address the shell should open; it must not run
    // the shell inside the runtime's event.
    using OpenInShell = std::function<void(const std::string& uri)>;
    NavigationGuard(ICoreWebView2* webView, std::string pageOrigin, bool remoteContent,
                    OpenInShell openInShell);
    NavigationGuard(const NavigationGuard&) = delete;
    NavigationGuard& operator=(const NavigationGuard&) = delete;

private:
    void OnNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args);
    void OnNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args);
    void OnLaunchingExternalUriScheme(ICoreWebView2LaunchingExternalUriSchemeEventArgs* args);

    const std::string pageOrigin_;
    const bool remoteContent_;
    const OpenInShell openInShell_;
    EventSubscriptions subscriptions_; // last: removed first
};
