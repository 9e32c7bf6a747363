#include "app/host_owners.h"

#include "app/main_window.h"
#include "webview/velnor_webview.h"

PublishedWebView::PublishedWebView(VelnorWebView& webView) : webView_(webView) {
    g_webView = &webView;
}

PublishedWebView::~PublishedWebView() {
    webView_.UnmapContentFiles();
    g_webView = nullptr;
}

WindowStateLinks::WindowStateLinks(HWND window, PlacementKeeper* placement,
                                   SingleInstance* singleInstance)
    : window_(window) {
    MainWindowState* state = MainWindowStateOf(window);
    state->placement = placement;
    state->singleInstance = singleInstance;
}

WindowStateLinks::~WindowStateLinks() {
    if (MainWindowState* state = IsWindow(window_) ? MainWindowStateOf(window_) : nullptr) {
        state->placement = nullptr;
        state->singleInstance = nullptr;
    }
}
