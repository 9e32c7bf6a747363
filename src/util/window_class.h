#pragma once
#include <windows.h>

// Registers a window class of the host's own: redrawn when sized, the arrow
// cursor, the given icon for both sizes and a system-colour background.
ATOM RegisterHostWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                             int backgroundColour);

// The same with a background brush of the caller's, which the class then owns.
ATOM RegisterHostWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HICON icon,
                             HBRUSH background);
