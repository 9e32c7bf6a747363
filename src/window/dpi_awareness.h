#pragma once
// The process's dpi awareness, chosen at start-up rather than in the embedded
// manifest (a declared awareness cannot be changed at run time), and the window
// sizes that follow from it.
#include <windows.h>

#include <cstdint>

// System awareness (as the program always had), or per-monitor v2 with the v1
// fallback of older Windows 10. Only the first call counts; it must come before
// the process creates any window.
void UseDpiAwareness(bool perMonitor);

// Whether the process chose, and was given, each monitor's dpi.
bool IsPerMonitorDpiAware();

// The dpi the window is drawn at: its monitor's when per-monitor aware, else
// the system dpi, exactly as ScaleForDpi reads it.
int WindowDpi(HWND window);

// The dpi of the monitor a rectangle lies mostly on (the system dpi when not
// per-monitor aware).
int MonitorDpiOf(const RECT& rect);

// A length in 96-dpi units at the window's dpi, rounded up.
int32_t ScaleForWindow(HWND window, int32_t length);

// AdjustWindowRectEx at the window's dpi: caption and borders are larger on a
// monitor of a larger scale.
void AdjustFrameForWindow(HWND window, RECT& frame, DWORD style, DWORD exStyle);
