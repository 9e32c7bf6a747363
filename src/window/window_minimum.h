#pragma once
// The smallest client area the main window may be given.
#include <cstdint>

#include <windows.h>

class DpiChoice;

// WM_GETMINMAXINFO: a tracking size that keeps the client area at least the
// minimum (in 96-dpi units; 0 leaves a side free) with the window's current
// styles, but never beyond the largest size the system allows.
void KeepMinimumTrackSize(HWND window, MINMAXINFO* limits, int32_t minimumWidth,
                          int32_t minimumHeight, const DpiChoice& dpi);
