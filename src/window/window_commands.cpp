#include "window/window_commands.h"

#include <algorithm>

#include "util/screen_area.h"
#include "util/work_areas.h"

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

void WindowCommands::SetFullScreen(bool on, FullScreenOrigin origin) {
    if (on == isFullScreen_)
        return;
    isFullScreen_ = on;
    origin_ = origin;
    RECT target;
    if (on) {
        savedStyle_ = GetWindowLongW(mainWindow_, GWL_STYLE);
        savedExStyle_ = GetWindowLongW(mainWindow_, GWL_EXSTYLE);
        GetWindowRect(mainWindow_, &savedWindowRect_);
        SetWindowLongW(mainWindow_, GWL_STYLE, savedStyle_ & kFullScreenStyleMask);
        SetWindowLongW(mainWindow_, GWL_EXSTYLE, savedExStyle_ & kFullScreenExStyleMask);
        target = MonitorRectOf(mainWindow_);
    } else {
        SetWindowLongW(mainWindow_, GWL_STYLE, savedStyle_);
        SetWindowLongW(mainWindow_, GWL_EXSTYLE, savedExStyle_);
        target = savedWindowRect_;
    }
    SetWindowPos(mainWindow_, nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    MarkTaskbarFullScreen(on);
}

void WindowCommands::MarkTaskbarFullScreen(bool on) {
    if (!taskbarList_) {
        // Created on first use; a failure is tried again at the next change.
        CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList2,
                         reinterpret_cast<void**>(taskbarList_.put()));
        if (taskbarList_ && FAILED(taskbarList_->HrInit()))
            taskbarList_.reset();
    }
    if (taskbarList_)
        taskbarList_->MarkFullscreenWindow(mainWindow_, on ? TRUE : FALSE);
}

// Page numbers are untrusted: every length and sum stays within the bounds a
// remembered placement may have, computed in 64 bits.
void WindowCommands::SetWindowSize(int32_t width, int32_t height) {
    if (isFullScreen_ || width <= 0 || height <= 0)
        return;
    width = std::max(width, minimum_.width);
    height = std::max(height, minimum_.height);
    const LONG style = GetWindowLongW(mainWindow_, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(mainWindow_, GWL_EXSTYLE);
    // At the window's current dpi (the system dpi unless per-monitor aware).
    const int32_t scaledHeight = ClampWindowLength(dpi_.ScaleForWindow(mainWindow_, height));
    RECT frame = {0, 0, ClampWindowLength(dpi_.ScaleForWindow(mainWindow_, width)), scaledHeight};
    dpi_.AdjustFrameForWindow(mainWindow_, frame, static_cast<DWORD>(style),
                              static_cast<DWORD>(exStyle));
    SetWindowPos(mainWindow_, nullptr, 0, 0, ClampWindowLength(int64_t{frame.right} - frame.left),
                 ClampWindowLength(int64_t{frame.bottom} - frame.top),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A place that would leave no part of the caption on a work area is moved back
// onto the nearest one, as a remembered placement would be refused.
void WindowCommands::SetWindowPosition(int32_t x, int32_t y) {
    if (isFullScreen_)
        return;
    RECT current = {};
    GetWindowRect(mainWindow_, &current);
    const int32_t left = ClampWindowCoordinate(dpi_.ScaleForWindow(mainWindow_, x));
    const int32_t top = ClampWindowCoordinate(dpi_.ScaleForWindow(mainWindow_, y));
    const ScreenRect wanted = {left, top,
                               left + ClampWindowLength(int64_t{current.right} - current.left),
                               top + ClampWindowLength(int64_t{current.bottom} - current.top)};
    const ScreenRect placed = KeepCaptionOnWorkArea(wanted, CaptionHeight(), MonitorWorkAreas());
    SetWindowPos(mainWindow_, nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
