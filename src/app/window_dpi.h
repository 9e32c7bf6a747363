#pragma once
// The main window on monitors of different scales ("dpi-awareness":
// "per-monitor"): its first size at the dpi of the monitor it opens on, and a
// move to a monitor of another scale.
#include <windows.h>

struct AppManifest;
class DpiChoice;
class WindowBrowser;

// Gives the window the manifest's client size (never below its minimum) at the
// dpi of the monitor it opened on, rather than the system dpi it was sized at.
void FitFirstSizeToMonitor(HWND window, const AppManifest& manifest, const DpiChoice& dpi);

// WM_DPICHANGED: takes the suggested rectangle and has the browser control, if
// there is one, follow.
void FollowDpiChange(HWND window, WindowBrowser* browser, int dpi, const RECT& suggested);
