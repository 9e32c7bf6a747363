// Full screen, client size and position of the main window, as page script and
// the browser control's full-screen event ask for them. Lengths from the page are
// 96-dpi units.
#include "util/dpi.h"
#include "webview/velnor_webview.h"

namespace {
constexpr LONG kFullScreenStyleMask = ~LONG{WS_CAPTION | WS_THICKFRAME};
constexpr LONG kFullScreenExStyleMask =
    ~LONG{WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE};

RECT MonitorRectOf(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}
} // namespace

void VelnorWebView::SetFullScreen(bool on) {
    if (on == isFullScreen)
        return;
    isFullScreen = on;
    RECT target;
    if (on) {
        savedStyle = GetWindowLongW(mainWindow, GWL_STYLE);
        savedExStyle = GetWindowLongW(mainWindow, GWL_EXSTYLE);
        GetWindowRect(mainWindow, &savedWindowRect);
        SetWindowLongW(mainWindow, GWL_STYLE, savedStyle & kFullScreenStyleMask);
        SetWindowLongW(mainWindow, GWL_EXSTYLE, savedExStyle & kFullScreenExStyleMask);
        target = MonitorRectOf(mainWindow);
    } else {
        SetWindowLongW(mainWindow, GWL_STYLE, savedStyle);
        SetWindowLongW(mainWindow, GWL_EXSTYLE, savedExStyle);
        target = savedWindowRect;
    }
    SetWindowPos(mainWindow, nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    MarkTaskbarFullScreen(on);
}

void VelnorWebView::MarkTaskbarFullScreen(bool on) {
    if (!taskbarList) {
        // Created on first use; a failure is tried again at the next change.
        CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList2,
                         reinterpret_cast<void**>(taskbarList.put()));
        if (taskbarList && FAILED(taskbarList->HrInit()))
            taskbarList.reset();
    }
    if (taskbarList)
        taskbarList->MarkFullscreenWindow(mainWindow, on ? TRUE : FALSE);
}

void VelnorWebView::SetWindowSize(int32_t width, int32_t height) {
    if (isFullScreen || width <= 0 || height <= 0)
        return;
    const LONG style = GetWindowLongW(mainWindow, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(mainWindow, GWL_EXSTYLE);
    const int32_t scaledHeight = ScaleForDpi(height);
    RECT frame = {0, 0, ScaleForDpi(width), scaledHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(mainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void VelnorWebView::SetWindowPosition(int32_t x, int32_t y) {
    if (isFullScreen)
        return;
    const int32_t scaledY = ScaleForDpi(y);
    SetWindowPos(mainWindow, nullptr, ScaleForDpi(x), scaledY, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
