#pragma once
#include <windows.h>

#include "app/main_window.h"

// Registers the main window class for this test process, once.
inline bool MainWindowClassRegistered() {
    static const bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr), nullptr) != 0;
    return registered;
}
