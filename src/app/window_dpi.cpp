#include "app/window_dpi.h"

#include <algorithm>

#include "manifest/manifest.h"
#include "window/dpi_awareness.h"
#include "window/window_browser.h"

void FitFirstSizeToMonitor(HWND window, const AppManifest& manifest, const DpiChoice& dpi) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    RECT frame = {0, 0, dpi.ScaleForWindow(window, std::max(manifest.width, manifest.minWidth)),
                  dpi.ScaleForWindow(window, std::max(manifest.height, manifest.minHeight))};
    dpi.AdjustFrameForWindow(window, frame, style, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FollowDpiChange(HWND window, WindowBrowser* browser, int dpi, const RECT& suggested) {
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (browser)
        browser->OnMainWindowDpiChanged(dpi);
}
