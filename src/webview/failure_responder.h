#pragma once
// Hears one browser session's process failures and hands each, by kind, to the
// host's response; a kind that cannot be read is logged and ignored. It
// registers its handler when made and removes it when it ends, before the
// controller closes.
#include <functional>

#include <WebView2.h>

#include "util/com/event_subscriptions.h"

class FailureResponder {
public:
    // Runs inside the runtime's event: it may only decide and defer.
    using Respond = std::function<void(COREWEBVIEW2_PROCESS_FAILED_KIND kind)>;
    FailureResponder(ICoreWebView2* webView, Respond respond);
    FailureResponder(const FailureResponder&) = delete;
    FailureResponder& operator=(const FailureResponder&) = delete;

private:
    const Respond respond_;
    EventSubscriptions subscriptions_; // last: removed first
};
