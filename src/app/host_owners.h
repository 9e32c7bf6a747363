#pragma once
// Small scoped owners of the host's run: GDI+, the web view's publication to
// the window procedure, and the window state's links to the run's owners.
#include <windows.h>

#include <gdiplus.h>

class PlacementKeeper;
class SingleInstance;
class VelnorWebView;

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

// Publishes the web view host to the window procedure. Ending the publication
// first releases the mapped files, so nothing stays open once the loop is over.
class PublishedWebView {
public:
    explicit PublishedWebView(VelnorWebView& webView);
    ~PublishedWebView();
    PublishedWebView(const PublishedWebView&) = delete;
    PublishedWebView& operator=(const PublishedWebView&) = delete;

private:
    VelnorWebView& webView_;
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
