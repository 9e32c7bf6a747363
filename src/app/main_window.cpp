#include "app/main_window.h"

#include <algorithm>
#include <utility>

#include "app/placement_file.h"
#include "app/second_instance.h"
#include "app/window_dpi.h"
#include "window/window_minimum.h"
#include "app/window_placement.h"
#include "content/worker_answers.h"
#include "extensions/extension_host.h"
#include "manifest/manifest.h"
#include "window/window_browser.h"
#include "util/text/text.h"
#include "util/window_class.h"
#include "webview/deferred_work.h"

namespace {
// Alt alone, F10 and Alt with a key arrive as SC_KEYMENU with a character (or
// 0) in lParam; a mouse-driven window menu carries screen coordinates instead.
bool IsKeyboardMenuRequest(WPARAM wParam, LPARAM lParam) {
    return wParam == SC_KEYMENU && static_cast<int64_t>(lParam) < 0x10000;
}

WindowBrowser* BrowserOf(const MainWindowState* state) {
    return state ? state->browser : nullptr;
}

// The placement follows the window unless the page holds it in full screen.
void TrackPlacement(const MainWindowState& state, HWND window) {
    if (state.placement)
        state.placement->Track(window, state.browser && state.browser->IsFullScreen());
}

void SavePlacement(const MainWindowState& state, HWND window) {
    if (state.placement)
        state.placement->Save(window, state.browser && state.browser->IsFullScreen());
}

// The default handling focuses the window itself, where no key reaches the
// page: the browser control takes the focus back after it.
LRESULT FocusFollowsActivation(WindowBrowser* browser, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    const bool minimised = message == WM_ACTIVATE && HIWORD(wParam) != 0;
    if (browser && message == WM_ACTIVATE)
        browser->OnMainWindowActiveChanged(LOWORD(wParam) != WA_INACTIVE);
    if (browser && !minimised && (message == WM_SETFOCUS || LOWORD(wParam) != WA_INACTIVE))
        browser->OnMainWindowActivated();
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

void SetMainWindowIcon(HWND window, HICON icon) {
    SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(icon));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
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

HWND CreateMainWindow(HINSTANCE instance, const AppManifest& manifest, const DpiChoice& dpi,
                      const SavedPlacement* placement) {
    DWORD style = MainWindowStyle(manifest.resizable);
    RECT frame = {0, 0, dpi.Scale(std::max(manifest.width, manifest.minWidth)),
                  dpi.Scale(std::max(manifest.height, manifest.minHeight))};
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
        new MainWindowState{std::max(manifest.minWidth, 0), std::max(manifest.minHeight, 0), dpi};
    HWND window = CreateWindowExW(0, kMainWindowClass, Utf8ToWide(manifest.title).c_str(), style, x,
                                  y, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, instance, state);
    // A saved placement is already in the pixels of its monitor.
    if (window && !placement && dpi.PerMonitor())
        FitFirstSizeToMonitor(window, manifest, dpi);
    return window;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState* state =
        reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    WindowBrowser* browser = BrowserOf(state);
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
        if (state)
            SavePlacement(*state, window);
        // The rest of shutdown no longer concerns the player; a start now is a new session.
        if (state && state->singleInstance)
            std::exchange(state->singleInstance, nullptr)->Release();
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        // The page may be given a moment to save ("close-handshake-ms").
        if (browser && browser->HoldClose())
            return 0;
        break;
    case WM_ENDSESSION:
        if (wParam && state)
            SavePlacement(*state, window);
        return 0;
    case WM_MOVE:
    case WM_MOVING:
        if (state)
            TrackPlacement(*state, window);
        if (browser)
            browser->OnMainWindowMoved();
        return 0;
    case WM_SIZE:
        if (state)
            TrackPlacement(*state, window);
        if (browser)
            browser->OnMainWindowSized(wParam == SIZE_MINIMIZED);
        return 0;
    case WM_GETMINMAXINFO:
        if (state)
            KeepMinimumTrackSize(window, reinterpret_cast<MINMAXINFO*>(lParam), state->minimumWidth,
                                 state->minimumHeight, state->dpi);
        return 0;
    case WM_DPICHANGED:
        // Only a per-monitor aware window follows; the new dpi is in wParam.
        if (!state || !state->dpi.PerMonitor())
            break;
        FollowDpiChange(window, browser, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COPYDATA:
        if (!state || !state->singleInstance)
            return FALSE;
        return AnswerSecondInstance(window, browser,
                                    reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_ACTIVATE:
    case WM_SETFOCUS:
        return FocusFollowsActivation(browser, window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        if (IsKeyboardMenuRequest(wParam, lParam))
            return 0;
        break;
    case kRunDeferredWork:
        if (browser)
            browser->RunDeferredWork();
        return 0;
    case kDeliverExtensionPosts:
        DeliverExtensionPosts();
        return 0;
    case kDeliverContentAnswers:
        if (browser)
            browser->DeliverContentAnswers();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
