#pragma once
#include <cstdint>

#include <windows.h>

#include "app/main_window.h"
#include "window/dpi_awareness.h"
#include "window/dpi_scale.h"

// Registers the main window class for this test process, once.
inline bool MainWindowClassRegistered() {
    static const bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr), nullptr) != 0;
    return registered;
}

// The screen dpi this test runs at (96 normally, 144 in the high-dpi run).
inline int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// What start-up holds in a system-aware process, as this test process is.
inline DpiChoice SystemAwareDpi() {
    return DpiChoice(false, ScreenDpi());
}

// A length in 96-dpi units at the screen dpi: what the windows should measure.
inline int32_t ScaleForDpi(int32_t length) {
    return ScaleLength(length, DpiScaleFactor(ScreenDpi()));
}
