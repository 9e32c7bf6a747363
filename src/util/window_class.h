#pragma once
#include <windows.h>

// Registers a window class of the host's own: redrawn when sized, the arrow
// cursor, the given icon for both sizes and a system-colour background.
ATOM RegisterHostWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                             int backgroundColour);
