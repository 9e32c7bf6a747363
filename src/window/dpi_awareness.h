#pragma once
// The process's dpi awareness, chosen once at start-up rather than in the
// embedded manifest (a declared awareness cannot be changed at run time), and
// the window sizes that follow from it.
#include <windows.h>

#include <cstdint>

// What start-up chose and was given, with the system dpi read then. Each window
// and command that sizes something in 96-dpi units holds a copy and scales only
// through it.
class DpiChoice {
public:
    // System awareness (as the program always had), or per-monitor v2 with the
    // v1 fallback of older Windows 10. Only the first call in a process counts;
    // it must come before the process creates any window.
    static DpiChoice ChooseAwareness(bool perMonitor);

    DpiChoice() = default;
    DpiChoice(bool perMonitor, int systemDpi) : perMonitor_(perMonitor), systemDpi_(systemDpi) {}

    // Whether the process chose, and was given, each monitor's dpi.
    bool PerMonitor() const { return perMonitor_; }

    // A length in 96-dpi units at the system dpi, rounded up: windows that do
    // not follow their monitor.
    int32_t Scale(int32_t length) const;

    // The dpi the window is drawn at: its monitor's when per-monitor aware, else
    // the system dpi.
    int ForWindow(HWND window) const;
    // The dpi of the monitor a rectangle lies mostly on (the system dpi when not
    // per-monitor aware).
    int ForRect(const RECT& rect) const;

    // A length in 96-dpi units at the window's dpi, rounded up.
    int32_t ScaleForWindow(HWND window, int32_t length) const;
    // AdjustWindowRectEx at the window's dpi: caption and borders are larger on
    // a monitor of a larger scale.
    void AdjustFrameForWindow(HWND window, RECT& frame, DWORD style, DWORD exStyle) const;

private:
    bool perMonitor_ = false;
    int systemDpi_ = 96;
};
