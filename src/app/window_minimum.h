#pragma once
// The smallest client area the main window may be given.
#include <cstdint>

#include <windows.h>

// In 96-dpi units, for the main window created next; 0 leaves a side free.
void SetMinimumClientSize(int32_t width, int32_t height);

// WM_GETMINMAXINFO: a tracking size that keeps the client area at least the
// minimum with the window's current styles, but never beyond the largest size
// the system allows.
void KeepMinimumTrackSize(HWND window, MINMAXINFO* limits);
