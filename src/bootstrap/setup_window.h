#pragma once
// The small "WebView2Setup" window shown while the runtime is being installed.
#include <functional>
#include <optional>
#include <string>

#include <windows.h>

#include "util/system_library.h"
#include "window/dpi_awareness.h"

struct AppManifest;

// A download shows its percentage; a wait of unknown length, a marquee.
enum class SetupBar { Percent, Marquee };

// The window's icon, decoded only when a setup window is made (most starts
// make none), and the dpi start-up chose, which sizes it.
struct SetupWindowLook {
    std::function<HICON()> icon;
    DpiChoice dpi;
};

struct SetupWindow {
    HWND window;
    HWND bar;
};

// Common controls for the bar, loaded for as long as the result lives (the bar's
// class is theirs: keep it past the window), or the fixed message and an empty library.
SystemLibrary InitSetupControls(const AppManifest& manifest);

// Registers the class and creates the window (300 by 90 page units, centred on
// the primary monitor) with its bar, or shows the fixed message and gives nothing.
std::optional<SetupWindow> OpenSetupWindow(HINSTANCE instance, const AppManifest& manifest,
                                           const std::string& caption, SetupBar bar,
                                           const SetupWindowLook& look);

// For a wait the player cannot cut short: the close button is greyed out, and a
// close (Alt+F4, the taskbar) minimises the window instead. Only
// EndSetupWindow closes it.
void HoldSetupWindowOpen(HWND window);
// Closes the window from any thread, held open or not; returns once it is gone.
void EndSetupWindow(HWND window);

// Runs work(job) on a thread of its own while this thread's message loop turns;
// the work closes the window when it is done. Returns once the thread has ended,
// however long that takes (the job lives in the caller's frame).
void RunWhileShowing(unsigned(__stdcall* work)(void*), void* job);
