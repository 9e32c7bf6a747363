#pragma once
// The "edit" context menu for one browser session: only the editing items
// (and, with devtools, Inspect) stay in the control's own menu. It registers
// its handler when made and removes it when it ends, before the controller
// closes.
#include <WebView2.h>

#include "util/com/event_subscriptions.h"

class EditContextMenu {
public:
    EditContextMenu(ICoreWebView2_11* webView, bool devtools);
    EditContextMenu(const EditContextMenu&) = delete;
    EditContextMenu& operator=(const EditContextMenu&) = delete;

private:
    void OnContextMenuRequested(ICoreWebView2ContextMenuRequestedEventArgs* args);

    const bool devtools_;
    EventSubscriptions subscriptions_; // last: removed first
};
