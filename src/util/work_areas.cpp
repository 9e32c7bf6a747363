#include "util/work_areas.h"

namespace {
BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM workAreas) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ScreenRect>*>(workAreas)->push_back(ScreenRectOf(info.rcWork));
    return TRUE;
}
} // namespace

ScreenRect ScreenRectOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

std::vector<ScreenRect> MonitorWorkAreas() {
    std::vector<ScreenRect> workAreas;
    EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&workAreas));
    return workAreas;
}

int32_t CaptionHeight() {
    return GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER) +
           GetSystemMetrics(SM_CYCAPTION);
}
