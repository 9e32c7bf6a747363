#include "app/window_minimum.h"

#include <algorithm>

#include "util/dpi_awareness.h"

namespace {
int32_t g_minimumWidth = 0;
int32_t g_minimumHeight = 0;
} // namespace

void SetMinimumClientSize(int32_t width, int32_t height) {
    g_minimumWidth = std::max(width, 0);
    g_minimumHeight = std::max(height, 0);
}

void KeepMinimumTrackSize(HWND window, MINMAXINFO* limits) {
    if (g_minimumWidth == 0 && g_minimumHeight == 0)
        return;
    RECT frame = {0, 0, ScaleForWindow(window, g_minimumWidth),
                  ScaleForWindow(window, g_minimumHeight)};
    AdjustFrameForWindow(window, frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)),
                         static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    POINT& minimum = limits->ptMinTrackSize;
    if (g_minimumWidth > 0)
        minimum.x =
            std::max(minimum.x, std::min(frame.right - frame.left, limits->ptMaxTrackSize.x));
    if (g_minimumHeight > 0)
        minimum.y =
            std::max(minimum.y, std::min(frame.bottom - frame.top, limits->ptMaxTrackSize.y));
}
