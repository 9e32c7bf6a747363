#include "window/window_minimum.h"

#include <algorithm>

#include "window/dpi_awareness.h"

void KeepMinimumTrackSize(HWND window, MINMAXINFO* limits, int32_t minimumWidth,
                          int32_t minimumHeight, const DpiChoice& dpi) {
    if (minimumWidth == 0 && minimumHeight == 0)
        return;
    RECT frame = {0, 0, dpi.ScaleForWindow(window, minimumWidth),
                  dpi.ScaleForWindow(window, minimumHeight)};
    dpi.AdjustFrameForWindow(window, frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)),
                             static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    POINT& minimum = limits->ptMinTrackSize;
    if (minimumWidth > 0)
        minimum.x =
            std::max(minimum.x, std::min(frame.right - frame.left, limits->ptMaxTrackSize.x));
    if (minimumHeight > 0)
        minimum.y =
            std::max(minimum.y, std::min(frame.bottom - frame.top, limits->ptMaxTrackSize.y));
}
