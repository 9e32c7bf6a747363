#include "app/main_window.h"

#include <algorithm>
#include <utility>

#include "app/placement_file.h"
#include "app/second_instance.h"
#include "app/window_dpi.h"
#include "window/window_minimum.h"
#include "app/window_placement.h"
#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "window/dpi.h"
#include "window/dpi_awareness.h"
#include "util/text/text.h"
#include "util/window_class.h"
#include "webview/deferred_work.h"
#include "webview/velnor_webview.h"

namespace {
// Alt alone, F10 and Alt with a key arrive as SC_KEYMENU with a character (or
// 0) in lParam; a mouse-driven window menu carries screen coordinates instead.
bool IsKeyboardMenuRequest(WPARAM wParam, LPARAM lParam) {
    return wParam == SC_KEYMENU && static_cast<int64_t>(lParam) < 0x10000;
}

// The default handling focuses the window itself, where no key reaches the
// page: the browser control takes the focus back after it.
// The placement follows the window unless the page holds it in full screen.
void TrackPlacement(PlacementKeeper& keeper, HWND window) {
    keeper.Track(window, g_webView && g_webView->IsFullScreen());
}

void SavePlacement(const PlacementKeeper& keeper, HWND window) {
    keeper.Save(window, g_webView && g_webView->IsFullScreen());
}

LRESULT FocusFollowsActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    const bool minimised = message == WM_ACTIVATE && HIWORD(wParam) != 0;
    if (g_webView && !minimised && (message == WM_SETFOCUS || LOWORD(wParam) != WA_INACTIVE))
        g_webView->OnMainWindowActivated();
    return result;
}
} // namespace

ATOM RegisterMainWindowClass(HINSTANCE instance, HICON icon, uint32_t backgroundRgb) {
    // The class owns its brush for the life of the process; it is never unregistered.
    const COLORREF colour =
        RGB((backgroundRgb >> 16) & 0xFF, (backgroundRgb >> 8) & 0xFF, backgroundRgb & 0xFF);
    HBRUSH background = CreateSolidBrush(colour);
    const ATOM atom =
        RegisterHostWindowClass(instance, kMainWindowClass, MainWindowProc, icon, background);
    if (!atom)
        DeleteObject(background);
    return atom;
}

DWORD MainWindowStyle(bool resizable) {
    return resizable ? WS_OVERLAPPEDWINDOW
                     : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}

MainWindowState* MainWindowStateOf(HWND window) {
    wchar_t className[64] = {};
    if (!GetClassNameW(window, className, ARRAYSIZE(className)) ||
        wcscmp(className, kMainWindowClass) != 0)
        return nullptr;
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest,
                      const SavedPlacement* placement) {
    DWORD style = MainWindowStyle(manifest.resizable);
    RECT frame = {0, 0, ScaleForDpi(std::max(manifest.width, manifest.minWidth)),
                  ScaleForDpi(std::max(manifest.height, manifest.minHeight))};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (placement) {
        const PlacementRect& saved = placement->normal;
        x = saved.left;
        y = saved.top;
        // A fixed-size window takes its size from the manifest, which may have changed.
        if (manifest.resizable)
            frame = {0, 0, saved.right - saved.left, saved.bottom - saved.top};
        if (placement->maximized && manifest.resizable)
            style |= WS_MAXIMIZE;
    }
    // WM_NCCREATE gives it to the window, whose WM_NCDESTROY frees it (also
    // when creation fails after that); a class that is missing leaks it once.
    auto* state =
        new MainWindowState{std::max(manifest.minWidth, 0), std::max(manifest.minHeight, 0)};
    HWND window = CreateWindowExW(0, kMainWindowClass, Utf8ToWide(manifest.title).c_str(), style, x,
                                  y, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, instance, state);
    // A saved placement is already in the pixels of its monitor.
    if (window && !placement && IsPerMonitorDpiAware())
        FitFirstSizeToMonitor(window, manifest);
    return window;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState* state =
        reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete state;
        break;
    case WM_DESTROY:
        if (state && state->placement)
            SavePlacement(*state->placement, window);
        // The rest of shutdown no longer concerns the player; a start now is a new session.
        if (state && state->singleInstance)
            std::exchange(state->singleInstance, nullptr)->Release();
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        // The page may be given a moment to save ("close-handshake-ms").
        if (g_webView && g_webView->HoldClose())
            return 0;
        break;
    case WM_ENDSESSION:
        if (wParam && state && state->placement)
            SavePlacement(*state->placement, window);
        return 0;
    case WM_MOVE:
    case WM_MOVING:
        if (state && state->placement)
            TrackPlacement(*state->placement, window);
        if (g_webView)
            g_webView->OnMainWindowMoved();
        return 0;
    case WM_SIZE:
        if (state && state->placement)
            TrackPlacement(*state->placement, window);
        if (g_webView)
            g_webView->OnMainWindowSized(wParam == SIZE_MINIMIZED);
        return 0;
    case WM_GETMINMAXINFO:
        if (state)
            KeepMinimumTrackSize(window, reinterpret_cast<MINMAXINFO*>(lParam), state->minimumWidth,
                                 state->minimumHeight);
        return 0;
    case WM_DPICHANGED:
        // Only a per-monitor aware window follows; the new dpi is in wParam.
        if (!IsPerMonitorDpiAware())
            break;
        FollowDpiChange(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COPYDATA:
        if (!state || !state->singleInstance)
            return FALSE;
        return AnswerSecondInstance(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_ACTIVATE:
    case WM_SETFOCUS:
        return FocusFollowsActivation(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        if (IsKeyboardMenuRequest(wParam, lParam))
            return 0;
        break;
    case kRunDeferredWork:
        if (g_webView)
            g_webView->RunDeferredWork();
        return 0;
    case kDeliverExtensionPosts:
        DeliverExtensionPosts();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
