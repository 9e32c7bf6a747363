#pragma once
// The monitors' work areas and the caption's height, as the system has them now.
#include <cstdint>
#include <vector>

#include <windows.h>

#include "util/screen_area.h"

ScreenRect ScreenRectOf(const RECT& rect);

// Every monitor's work area (without the taskbar).
std::vector<ScreenRect> MonitorWorkAreas();

// The top of an outer window rectangle down to the caption's lower edge.
int32_t CaptionHeight();
