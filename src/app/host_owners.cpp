#include "app/host_owners.h"

#include "app/main_window.h"
#include "webview/velnor_webview.h"

namespace {
// Null once the window is gone: its WM_NCDESTROY deleted the state.
MainWindowState* LiveStateOf(HWND window) {
    return IsWindow(window) ? MainWindowStateOf(window) : nullptr;
}
} // namespace

WindowBrowserLink::WindowBrowserLink(HWND window, WindowBrowser& browser) : window_(window) {
    if (MainWindowState* state = LiveStateOf(window))
        state->browser = &browser;
}

WindowBrowserLink::~WindowBrowserLink() {
    if (MainWindowState* state = LiveStateOf(window_))
        state->browser = nullptr;
}

PublishedWebView::PublishedWebView(VelnorWebView& webView, HWND window)
    : webView_(webView), link_(window, webView) {
    g_webView = &webView;
}

PublishedWebView::~PublishedWebView() {
    webView_.UnmapContentFiles();
    g_webView = nullptr;
    // link_ ends next, before the web view host does.
}

WindowStateLinks::WindowStateLinks(HWND window, PlacementKeeper* placement,
                                   SingleInstance* singleInstance)
    : window_(window) {
    MainWindowState* state = MainWindowStateOf(window);
    state->placement = placement;
    state->singleInstance = singleInstance;
}

WindowStateLinks::~WindowStateLinks() {
    if (MainWindowState* state = LiveStateOf(window_)) {
        state->placement = nullptr;
        state->singleInstance = nullptr;
    }
}
