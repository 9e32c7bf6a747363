#pragma once
// Small scoped owners of the host's run: GDI+, the web view's publication to
// the window procedure, and the window state's links to the run's owners.
#include <windows.h>

#include <gdiplus.h>

class PlacementKeeper;
class SingleInstance;
class VelnorWebView;
class WindowBrowser;

// GDI+ from start-up to the end of the host, on every exit path.
class GdiplusSession {
public:
    GdiplusSession() { Gdiplus::GdiplusStartup(&token_, &input_, nullptr); }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    Gdiplus::GdiplusStartupInput input_;
    ULONG_PTR token_ = 0;
};

// Gives the main window's state a browser for as long as this lives: the
// window reaches the browser only through it. A window already gone is left alone.
class WindowBrowserLink {
public:
    WindowBrowserLink(HWND window, WindowBrowser& browser);
    ~WindowBrowserLink();
    WindowBrowserLink(const WindowBrowserLink&) = delete;
    WindowBrowserLink& operator=(const WindowBrowserLink&) = delete;

private:
    HWND window_;
};

// Publishes the web view host (g_webView) and links it to the main window.
// Ending the publication first releases the mapped files, so nothing stays open
// once the loop is over, then unlinks the window before the host ends.
class PublishedWebView {
public:
    PublishedWebView(VelnorWebView& webView, HWND window);
    ~PublishedWebView();
    PublishedWebView(const PublishedWebView&) = delete;
    PublishedWebView& operator=(const PublishedWebView&) = delete;

private:
    VelnorWebView& webView_;
    WindowBrowserLink link_;
};

// Hands the main window the placement keeper and the published single instance
// for as long as they live: a loop ended by a failure leaves the window, whose
// state then no longer points at them.
class WindowStateLinks {
public:
    WindowStateLinks(HWND window, PlacementKeeper* placement, SingleInstance* singleInstance);
    ~WindowStateLinks();
    WindowStateLinks(const WindowStateLinks&) = delete;
    WindowStateLinks& operator=(const WindowStateLinks&) = delete;

private:
    HWND window_;
};
